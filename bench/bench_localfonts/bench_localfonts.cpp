// The local fonts tab as the fonts installed grow: the click on "本地字库" in the main window's
// left menu, from the cloud list to the local rows painted, with 10,000 font files in the user's
// font folder (names of their own, each the bytes of one of the computer's fonts), against the same
// click with none of them there.
//
// Both user folders also hold one copy of each of the computer's TrueType and OpenType fonts (the
// samples), so that both clicks paint a page of rows: they stand for the computer's own fonts, which
// the tab lists only from a system folder with at least three entries at its top.
//
// Each side is a main window (the hub, 1200 x 800 offscreen) against one in-process local service;
// the user's font folder follows $XDG_DATA_HOME, set to the side's folder before each click. Each
// side has shown its local tab once before the timed clicks (the first reading of the fonts is
// printed, not timed): the figures are those of a person coming back to the tab. Before each click
// the cloud tab is clicked and its rows all read, untimed; the two sides alternate who goes first.
//
// The first click after start is timed the same way on main windows made anew, one per round and
// side: each is given the time a person takes before clicking, in which the window's own read of
// the fonts in the background ends, then the cloud tab, then the click.
//
// Prints `ratio <with/without> localfonts-first-click-10k` and, as the last line,
// `ratio <with/without> localfonts-tab-10k`: neither click's cost should grow with the fonts
// installed.

#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/Home/KXHomeViewController.h"
#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Fonts/KXHomeLocalManager.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/AlternatingRun.h"
#include "Support/BenchService.h"
#include "Support/QuickRun.h"
#include "Support/ScratchFolder.h"
#include "Support/Timing.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;
using foundation::Id;

namespace {

const int kUserFonts = benchsupport::fullOrQuick(10000, 200);
constexpr int kWidth = 1200;
constexpr int kHeight = 800;

struct Side {
    fs::path dataHome;
    std::unique_ptr<KXHomeViewController> hub;
    int rows = -1; // the local tab's row count at the warm-up click
};

struct Bench {
    fs::path folder;
    std::unique_ptr<localservice::LocalService> service;
    Side many;
    Side none;
};

Bench& bench()
{
    static Bench instance;
    return instance;
}

// The computer's TrueType and OpenType fonts, copied once into the run's folder.
std::vector<fs::path> sampleFonts(const fs::path& into)
{
    std::vector<fs::path> sources;
    std::error_code ec;
    for (fs::recursive_directory_iterator it("/usr/share/fonts", ec), end; !ec && it != end; it.increment(ec)) {
        const auto extension = it->path().extension();
        if (it->is_regular_file() && (extension == ".ttf" || extension == ".otf"))
            sources.push_back(it->path());
    }
    std::sort(sources.begin(), sources.end());
    fs::create_directories(into);
    std::vector<fs::path> samples;
    for (const auto& source : sources) {
        samples.push_back(into / source.filename());
        fs::copy_file(source, samples.back(), fs::copy_options::overwrite_existing);
    }
    return samples;
}

// The samples, then `count` font files under names of their own. Each is a hard link to a sample
// where the file system allows one (ten thousand copies of real fonts would take gigabytes), else a
// copy.
bool fillUserFolder(const fs::path& fonts, const std::vector<fs::path>& samples, int count)
{
    if (samples.empty())
        return false;
    fs::create_directories(fonts);
    std::error_code ec;
    for (const auto& sample : samples)
        if (!fs::copy_file(sample, fonts / sample.filename(), ec))
            return false;
    for (int i = 0; i < count; ++i) {
        const auto& sample = samples[static_cast<std::size_t>(i) % samples.size()];
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "%05d-", i);
        const auto target = fonts / (prefix + sample.filename().string());
        fs::create_hard_link(sample, target, ec);
        if (ec && !fs::copy_file(sample, target, ec))
            return false;
    }
    return true;
}

bool startService()
{
    auto& b = bench();
    b.service = benchsupport::startBenchService(b.folder / "service");
    if (!b.service)
        return false;
    setenv(KXHTTPBUSINESS::kBaseURLVariable, b.service->baseUrl().c_str(), 1);
    setenv("CORVANE_RESOURCE_DIR", benchsupport::benchResources().c_str(), 1);
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(Id("yes"), "install");
    defaults.setObject(Id("YES"), "datemove");
    defaults.setObject(Id("0.1.0"), "appVersion"); // the service's version: no update prompt over the tabs
    return true;
}

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
        dispatch::RunLoop::drain();
    }
}

void useSide(const Side& side)
{
    setenv("XDG_DATA_HOME", side.dataHome.c_str(), 1);
}

// The cloud tab, its rows all read: where a person comes from.
bool showCloud(Side& side)
{
    useSide(side);
    KXHomeViewController& hub = *side.hub;
    hub.tabViewTouched(hub.cloudBtn());
    KXHomeListView& list = *hub.rightListview();
    const bool whole = dispatch::RunLoop::runUntil([&] { return !list.reload().readingRest(); }, 60);
    list.listTableView()->viewport()->repaint();
    settle();
    return whole && list.tabTypeNum() == KXHomeListView::ModeCloud;
}

// Until the reads of the fonts in the background have ended and their rows reached the window.
bool waitForLocalFonts()
{
    const bool ended = dispatch::RunLoop::runUntil([] { return KXHomeLocalManager::backgroundReads() == 0; }, 120);
    settle();
    return ended;
}

// The click on the local tab to its rows painted, in seconds; -1 when the rows are not the
// expected ones.
double clickLocal(Side& side)
{
    if (!showCloud(side))
        return -1;
    KXHomeViewController& hub = *side.hub;
    KXHomeListView& list = *hub.rightListview();
    const auto start = std::chrono::steady_clock::now();
    hub.tabViewTouched(hub.localBtn());
    list.listTableView()->viewport()->repaint();
    const double seconds = benchsupport::secondsSince(start);
    if (list.tabTypeNum() != KXHomeListView::ModeLocal || list.listModel()->rowCount() == 0)
        return -1;
    // The look in the background the click asked for finds nothing new; it ends before the next one.
    // The rows below the first are in the list by then.
    if (!waitForLocalFonts() || list.listModel()->rowCount() != side.rows)
        return -1;
    return seconds;
}

// A new main window, shown; the time a person takes before the first click.
std::unique_ptr<KXHomeViewController> startHub()
{
    auto hub = std::make_unique<KXHomeViewController>();
    hub->resize(kWidth, kHeight);
    hub->show();
    settle();
    dispatch::RunLoop::runFor(KXHomeViewController::kLocalFontsFirstReadDelay + 0.5);
    return hub;
}

// The first click on the local tab of a new main window, from its cloud tab to its rows painted.
double firstClickLocal(Side& side)
{
    useSide(side);
    Side fresh;
    fresh.dataHome = side.dataHome;
    fresh.rows = side.rows;
    fresh.hub = startHub();
    if (!waitForLocalFonts())
        return -1;
    const double seconds = clickLocal(fresh);
    fresh.hub.reset();
    settle();
    return seconds;
}

bool openSide(Side& side, const fs::path& dataHome)
{
    side.dataHome = dataHome;
    fs::create_directories(dataHome / "fonts");
    useSide(side);
    side.hub = startHub();
    if (!showCloud(side))
        return false;
    side.hub->tabViewTouched(side.hub->localBtn());
    if (!waitForLocalFonts())
        return false;
    side.rows = side.hub->rightListview()->listModel()->rowCount();
    return side.hub->rightListview()->tabTypeNum() == KXHomeListView::ModeLocal;
}

bool prepare()
{
    auto& b = bench();
    b.folder = benchsupport::makeScratchFolder("bench_localfonts");
    benchsupport::usePrivateHome(b.folder / "home");
    if (!startService())
        return false;
    KXHomeViewController::setAnimationsEnabled(false);
    KXBaseDBManager::shareDBManager();
    const auto samples = sampleFonts(b.folder / "samples");
    if (!fillUserFolder(b.folder / "many" / "fonts", samples, kUserFonts) || !fillUserFolder(b.folder / "none" / "fonts", samples, 0))
        return false;
    const auto warmStart = std::chrono::steady_clock::now();
    if (!openSide(b.many, b.folder / "many"))
        return false;
    std::fprintf(stderr, "window opened, first read of %d user fonts ended: %.0f ms (%d rows)\n", kUserFonts,
                 benchsupport::secondsSince(warmStart) * 1000, b.many.rows);
    if (!openSide(b.none, b.folder / "none"))
        return false;
    std::fprintf(stderr, "local rows: %d with the user's fonts, %d without\n", b.many.rows, b.none.rows);
    return b.many.rows == b.none.rows + kUserFonts;
}

benchsupport::PairedTimes gClick;
benchsupport::PairedTimes gFirstClick;

void BM_LocalTabFirstClick(benchmark::State& state)
{
    auto& b = bench();
    benchsupport::runAlternately(state,
                                 {[&] { return firstClickLocal(b.many); }, [&] { return firstClickLocal(b.none); },
                                  "the first click with 10,000 user fonts failed", "the first click without user fonts failed", {}},
                                 gFirstClick, "none_ms");
}
BENCHMARK(BM_LocalTabFirstClick)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(benchsupport::fullOrQuick(7, 1));

void BM_LocalTab(benchmark::State& state)
{
    auto& b = bench();
    benchsupport::runAlternately(state,
                                 {[&] { return clickLocal(b.many); }, [&] { return clickLocal(b.none); },
                                  "the click with 10,000 user fonts failed", "the click without user fonts failed", {}},
                                 gClick, "none_ms");
}
BENCHMARK(BM_LocalTab)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(benchsupport::fullOrQuick(21, 1));

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!prepare()) {
        std::fprintf(stderr, "could not prepare the two homes\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    std::fprintf(stderr, "local tab first click: %.2f ms with %d user fonts, %.2f ms without\n",
                 benchsupport::median(gFirstClick.ours) * 1000, kUserFonts, benchsupport::median(gFirstClick.peer) * 1000);
    std::fprintf(stderr, "local tab click: %.2f ms with %d user fonts, %.2f ms without\n", benchsupport::median(gClick.ours) * 1000,
                 kUserFonts, benchsupport::median(gClick.peer) * 1000);
    auto& b = bench();
    b.many.hub.reset();
    b.none.hub.reset();
    b.service.reset();
    std::error_code ec;
    fs::remove_all(b.folder, ec);
    std::printf("ratio %.3f localfonts-first-click-10k\n", gFirstClick.ratio());
    std::printf("ratio %.3f localfonts-tab-10k\n", gClick.ratio());
    return 0;
}
