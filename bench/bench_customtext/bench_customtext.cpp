// The custom preview text from confirmation to the rows that show it, against curl making the same
// fetches, on one in-process local service over HTTPS with the sample catalogue, in the same run.
//
// Ours: KXHomeListView, 1200 x 800 offscreen, on the cloud tab; its previews through the
// application's image loader. A round confirms a text neither side has used and ends when the
// table paints with every visible row's render of that text in memory: the signed getFontsImg
// request for the slice, its reply matched off the main thread and applied, the rows redrawn, the
// renders downloaded (6 at a time), decoded, cached and painted.
// Peer: curl POSTing the same signed getFontsImg form (its own fresh text, signed beforehand), then
// fetching the visible rows' render URLs of that text, 6 at a time. Every fetch is checked.
//
// The two alternate who goes first. Prints `ratio <ours/curl> custom-text-visible` as the last line.

#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListTableCellView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/FontList/KXPreviewImageSource.h"
#include "Class/FontList/KXWebPreviewSource.h"
#include "Class/LayoutWidgets/WindowLayout.h"
#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/ServiceCore/Transport/KXHTTPREQUEST.h"
#include "Platform/DispatchQt/QtMainQueueDrain.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/AlternatingRun.h"
#include "Support/BenchService.h"
#include "Support/CurlCommand.h"
#include "Support/QuickRun.h"
#include "Support/ScratchFolder.h"
#include "Support/Timing.h"
#include "local-service/FormParams.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using foundation::Id;

namespace {

constexpr int kWidth = 1200;
constexpr int kHeight = 800;
constexpr int kParallel = 6;

struct Bench {
    fs::path folder;
    std::unique_ptr<localservice::LocalService> service;
    std::unique_ptr<KXHomeListView> list;
    int round = 0;
    std::string oursText;
    std::string peerText;
};

Bench& bench()
{
    static Bench instance;
    return instance;
}

void setUpHome()
{
    auto& b = bench();
    b.folder = benchsupport::makeScratchFolder("bench_customtext");
    benchsupport::usePrivateHome(b.folder);
}

bool startService()
{
    auto& b = bench();
    b.service = benchsupport::startBenchService(b.folder / "service");
    if (!b.service)
        return false;
    setenv(KXHTTPBUSINESS::kBaseURLVariable, b.service->baseUrl().c_str(), 1);
    setenv("CORVANE_RESOURCE_DIR", benchsupport::benchResources().c_str(), 1);

    // The values the shell stores at start, so every request carries all common parameters.
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(Id("5f1c2a9e0b7d4c3e8a6f"), "UIID");
    defaults.setObject(Id("Latitude 7440"), "macType");
    defaults.setObject(Id("3c:22:fb:10:42:9a"), "macAddress");
    defaults.setObject(Id("official"), "typeFrom");
    defaults.setObject(Id("3.2.0"), "appVersion");
    defaults.setObject(Id("20261130"), "dataVersion");
    defaults.setObject(Id("12"), "SystemVersion");
    return true;
}

// The signed form body of getFontsImg with `text` and `fids`, as the transport sends it.
std::string signedBody(const std::string& text, const std::string& fids)
{
    auto parameters = foundation::MutableDictionary::create(
        { { Id("tag"), Id("127") }, { Id("str"), Id(text) }, { Id("fids"), Id(fids) } });
    const std::pair<const char*, const char*> common[]
        = { { "UIID", "5f1c2a9e0b7d4c3e8a6f" }, { "token", "" }, { "system", "Latitude 7440" },
              { "platform", "mz_mac" }, { "mac", "3c:22:fb:10:42:9a" }, { "source_type", "official" },
              { "version", "3.2.0" }, { "data_version", "20261130" }, { "SystemVersion", "12" } };
    for (const auto& [name, value] : common)
        parameters->setObject(Id(value), Id(name));
    parameters->setObject(Id(KXHTTPREQUEST::dictionaryToMD5HexSting(parameters)), Id("secret"));
    std::string body;
    for (const auto& entry : *parameters) {
        if (!body.empty())
            body += '&';
        body += foundation::percentEncode(entry.key.stringValue(), "") + "="
            + foundation::percentEncode(entry.value.stringValue(), "");
    }
    return body;
}

void settle(QWidget& window)
{
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
        layoutwidgets::WindowLayout::of(&window).layoutIfNeeded();
    }
}

void setUpList()
{
    auto& b = bench();
    KXBaseDBManager::shareDBManager();
    KXPreviewImageSource::install(std::make_shared<KXWebPreviewSource>());
    b.list = std::make_unique<KXHomeListView>(QRect(0, 0, kWidth, kHeight));
    b.list->show();
    settle(*b.list);
}

// The rows in view and their records.
std::vector<foundation::Ref<KXFontBaseModel>> visibleRecords()
{
    auto& list = *bench().list;
    const auto [first, last] = list.listTableView()->visibleRows();
    std::vector<foundation::Ref<KXFontBaseModel>> records;
    for (int row = first; first >= 0 && row <= last; ++row)
        records.push_back(list.listModel()->recordAt(row));
    return records;
}

// Whether every visible row's preview is the render of `text` and the image loader holds it as the
// row asks for it: for the box the row draws it in.
bool visibleRendersReady(const std::string& text)
{
    auto& list = *bench().list;
    const KXFontTableView& table = *list.listTableView();
    const auto source = KXPreviewImageSource::shared();
    const std::string query = "text=" + localservice::FormCodec::percentEncode(text);
    const auto [first, last] = table.visibleRows();
    for (int row = first; first >= 0 && row <= last; ++row) {
        const std::string url = list.rowView()->previewURL(*list.listModel()->recordAt(row));
        const QRect area
            = KXHomeListTableCellView::rowRect(table.visualRect(list.listModel()->index(row, 0)), &table);
        if (url.find(query) == std::string::npos
            || !source->cachedImage(url, KXHomeListTableCellView::previewBox(area, table)))
            return false;
    }
    return true;
}

// Ends the event loop at the first paint of the table's rows with every visible render in.
class PaintWatch final : public QObject {
public:
    PaintWatch(QEventLoop& loop, std::string text)
        : loop_(loop)
        , text_(std::move(text))
    {
    }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !painted && visibleRendersReady(text_)) {
            painted = true;
            // The paint this event starts runs before the loop returns.
            loop_.quit();
        }
        return false;
    }

private:
    QEventLoop& loop_;
    std::string text_;
};

double ours()
{
    auto& b = bench();
    QWidget* viewport = b.list->listTableView()->viewport();
    QEventLoop loop;
    PaintWatch watch(loop, b.oursText);
    viewport->installEventFilter(&watch);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    const auto start = std::chrono::steady_clock::now();
    b.list->confirmBtnClickWithString(foundation::String::create(b.oursText));
    loop.exec();
    const double elapsed = benchsupport::secondsSince(start);
    viewport->removeEventFilter(&watch);
    return watch.painted ? elapsed : -1;
}

double peer()
{
    auto& b = bench();
    const auto records = visibleRecords();
    std::string fids;
    for (const auto& record : KXCustomText::sliceRecords(*b.list->dataArray(),
             KXCustomText::sliceAround(
                 b.list->listTableView()->visibleRows().first, b.list->listModel()->rowCount()))) {
        if (!fids.empty())
            fids += ',';
        fids += std::to_string(record->fontid);
    }
    const fs::path body = b.folder / "body.txt";
    std::ofstream(body) << signedBody(b.peerText, fids);
    const fs::path urls = b.folder / "renders.cfg";
    {
        std::ofstream out(urls);
        const std::string text = localservice::FormCodec::percentEncode(b.peerText);
        for (const auto& record : records)
            out << "url = \"" << b.service->baseUrl() << "files/render/" << record->fontid
                << "/day.png?text=" << text << "\"\noutput = \"/dev/null\"\n";
    }
    const std::string ca = "--cacert '" + b.service->caCertificatePath().string() + "'";
    const fs::path post = b.folder / "post.out";
    const fs::path codes = b.folder / "codes.out";
    const std::string command = "curl -s " + ca + " --data-binary @'" + body.string() + "' '"
        + b.service->baseUrl() + "getFontsImg' > '" + post.string() + "' && "
        + benchsupport::curlParallelCommand(
            kParallel, ca + " -w '%{http_code}\\n'", urls, "> '" + codes.string() + "' 2>/dev/null");
    int status = 0;
    const double elapsed = benchsupport::timedShell(command, status);
    std::ifstream replyIn(post);
    const std::string reply((std::istreambuf_iterator<char>(replyIn)), std::istreambuf_iterator<char>());
    std::ifstream codesIn(codes);
    std::size_t ok = 0;
    for (std::string line; std::getline(codesIn, line);)
        ok += line == "200" ? 1 : 0;
    const bool fine = status == 0 && reply.find("\"errcode\":0") != std::string::npos && ok == records.size();
    if (!fine)
        std::fprintf(stderr, "curl: status %d, %zu of %zu renders, reply %.120s\n", status, ok,
            records.size(), reply.c_str());
    return fine ? elapsed : -1;
}

benchsupport::PairedTimes times;

void BM_CustomText(benchmark::State& state)
{
    benchsupport::runAlternately(state,
        { &ours, &peer, "our rows did not all show the text", "a curl fetch failed",
            [] {
                auto& b = bench();
                ++b.round;
                // Texts neither side has asked for: nothing is rendered or cached yet.
                b.oursText = "永" + std::to_string(b.round) + "字O";
                b.peerText = "永" + std::to_string(b.round) + "字P";
            } },
        times, "curl_ms");
}
BENCHMARK(BM_CustomText)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(benchsupport::fullOrQuick(15, 1));

} // namespace

int main(int argc, char** argv)
{
    setUpHome();
    qputenv(
        "QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    auto drain = dispatch::QtMainQueueDrain::install();
    if (!startService())
        return 1;
    setUpList();
    std::fprintf(
        stderr, "rows: %d, visible: %zu\n", bench().list->listModel()->rowCount(), visibleRecords().size());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    bench().list.reset();
    KXPreviewImageSource::install(nullptr);
    bench().service.reset();
    std::error_code ec;
    fs::remove_all(bench().folder, ec);
    std::printf("ratio %.3f custom-text-visible\n", times.ratio());
    return times.empty() ? 1 : 0;
}
