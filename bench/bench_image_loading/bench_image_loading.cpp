// Preview loading into views against Qt's own way of doing it, on the same in-process local
// service over HTTPS, in the same run: 600 distinct preview URLs (the catalogue's previews with
// "?v=N", which the service ignores) into 600 image views with option 4 (progressive), against
// QNetworkAccessManager (6 connections per host, trusting the same CA) with QImage::fromData on the
// GUI thread and QLabel::setPixmap into 600 labels.
//
// Cold: both caches empty, every URL new to both. Warm: ours from the memory cache, the peer from
// QPixmapCache, both with room for the whole set. Each view and label is painted once per round.
// Ceiling: the memory cache limited to 32 MiB while 600 new previews (about 110 MiB decoded) load;
// the peak cost over the limit must stay at or below 1.0.
//
// The whole program runs with the allocator set as the client's main() sets it (both sides, and the
// service, in this one process).
//
// Prints `ratio <ours/qnam> preview-load-600-warm`, `ceiling <peak cost/limit> ...`, and last
// `ratio <ours/qnam> preview-load-600-cold`.

#include "Class/ImageViews/ImageView.h"
#include "Class/ImageViews/ImageViewWebCache.h"
#include "Lib/ImageLoading/ILDiskCache.h"
#include "Lib/ImageLoading/ILImageCache.h"
#include "Lib/ImageLoading/ILImageCacheConfig.h"
#include "Lib/ImageLoading/ILMemoryCache.h"
#include "Lib/ImageLoading/ILMemoryPolicy.h"
#include "Lib/ImageLoading/ILWebDownloader.h"
#include "Platform/DispatchQt/QtMainQueueDrain.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/URL.h"
#include "Support/AlternatingRun.h"
#include "Support/BenchService.h"
#include "Support/QuickRun.h"
#include "Support/ScratchFolder.h"
#include "Support/Timing.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QPixmapCache>
#include <QSslConfiguration>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const int kViews = benchsupport::fullOrQuick(600, 60);
constexpr std::uint64_t kRoomyCost = 256ull * 1024 * 1024;
// The quick run loads a tenth of the previews through a tenth of the room.
const std::uint64_t kCeilingCost = benchsupport::fullOrQuick(32ull, 3ull) * 1024 * 1024;

struct Bench {
    std::filesystem::path folder;
    std::unique_ptr<localservice::LocalService> service;
    std::vector<std::string> previews; // paths below files/
    std::unique_ptr<QWidget> window;
    std::vector<ImageView*> views;
    std::vector<QLabel*> labels;
    std::unique_ptr<QNetworkAccessManager> network;
    QImage scratch;
    int round = 0;
};

Bench& bench()
{
    static Bench instance;
    return instance;
}

void setUpHome()
{
    auto& b = bench();
    b.folder = benchsupport::makeScratchFolder("bench_image_loading");
    benchsupport::usePrivateHome(b.folder);
}

bool startService()
{
    auto& b = bench();
    b.service = benchsupport::startBenchService(b.folder / "service");
    if (!b.service)
        return false;
    // The catalogue's PNG previews, day and night (the other formats there are for the decoders).
    for (const auto& entry :
        std::filesystem::directory_iterator(benchsupport::benchResources() / "service-files" / "previews")) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with("_day.png") || name.ends_with("_night.png"))
            b.previews.push_back("previews/" + name);
    }
    std::sort(b.previews.begin(), b.previews.end());
    return !b.previews.empty();
}

// 600 URLs no side has seen: the round number and the index make the query.
std::vector<std::string> freshURLs()
{
    auto& b = bench();
    ++b.round;
    std::vector<std::string> urls;
    for (int i = 0; i < kViews; ++i)
        urls.push_back(b.service->baseUrl() + "files/"
            + b.previews[static_cast<std::size_t>(i) % b.previews.size()] + "?v=" + std::to_string(b.round)
            + "-" + std::to_string(i));
    return urls;
}

void setUpWidgets()
{
    auto& b = bench();
    b.window = std::make_unique<QWidget>();
    b.window->resize(1000, 800);
    for (int i = 0; i < kViews; ++i) {
        auto* view = new ImageView(b.window.get());
        // Drawn as the label draws its pixmap: at its size, on the left, centred vertically.
        view->setImageScaling(ImageScaling::None);
        view->setImageAlignment(ImageAlignment::Left);
        view->setGeometry((i % 2) * 500, (i / 2) % 12 * 64, 480, 60);
        b.views.push_back(view);
        auto* label = new QLabel(b.window.get());
        label->setGeometry((i % 2) * 500, (i / 2) % 12 * 64, 480, 60);
        b.labels.push_back(label);
    }
    // Not shown: a shown window repaints on every change, and each side paints each view once
    // itself, at the end of a round.
    b.scratch = QImage(480, 60, QImage::Format_ARGB32_Premultiplied);
    auto tls = QSslConfiguration::defaultConfiguration();
    tls.setCaCertificates(
        QSslCertificate::fromPath(QString::fromStdString(b.service->caCertificatePath().string())));
    QSslConfiguration::setDefaultConfiguration(tls);
    b.network = std::make_unique<QNetworkAccessManager>();
}

// Runs Qt's event loop (which also drains the main queue) until `done` holds. The loads' own
// callbacks call finishedOne(), which ends the loop when the last one is in.
QEventLoop* runningLoop = nullptr;
std::function<bool()> runningDone;

void finishedOne()
{
    if (runningLoop && runningDone && runningDone())
        runningLoop->quit();
}

bool runUntil(const std::function<bool()>& done, int timeoutMs = 120000)
{
    if (done())
        return true;
    QEventLoop loop;
    runningLoop = &loop;
    runningDone = done;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    runningLoop = nullptr;
    runningDone = nullptr;
    return done();
}

template <class Widget> void paintEach(const std::vector<Widget*>& widgets)
{
    QImage& scratch = bench().scratch;
    for (auto* widget : widgets) {
        scratch.fill(Qt::transparent);
        QPainter painter(&scratch);
        widget->render(&painter);
    }
}

std::shared_ptr<ILMemoryCache> memoryCache()
{
    return std::dynamic_pointer_cast<ILMemoryCache>(ILImageCache::sharedImageCache()->memoryCache());
}

void emptyOurCaches()
{
    const auto cache = ILImageCache::sharedImageCache();
    cache->clearMemory();
    cache->ioQueue()->sync([&] { cache->diskCache()->removeAllData(); });
}

// The service drops connections idle for five seconds, which the other side's round can be; one
// untimed request lets our loading system find out before the timed round does (the peer's
// finds out by itself).
void touchOurConnections()
{
    auto& b = bench();
    bool answered = false;
    ILWebDownloader::sharedDownloader()->downloadImageWithURL(
        foundation::URL::URLWithString(
            b.service->baseUrl() + "files/" + b.previews.front() + "?touch=" + std::to_string(++b.round)),
        [&](const auto&, const auto&, const auto&, bool) {
            answered = true;
            finishedOne();
        });
    runUntil([&] { return answered; }, 20000);
}

// Ours: every URL into its view; the time until all 600 are in and painted. -1 when a load failed
// or, with `fromMemory`, when one did not come from the memory cache.
double ourLoads(
    const std::vector<std::string>& urls, bool fromMemory = false, std::uint64_t* peakCost = nullptr)
{
    auto& b = bench();
    touchOurConnections();
    for (auto* view : b.views)
        view->setImage(ILImageRef());
    std::vector<foundation::Ref<foundation::URL>> parsed;
    for (const auto& url : urls)
        parsed.push_back(foundation::URL::URLWithString(url));
    const auto memory = memoryCache();
    int done = 0;
    int failed = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kViews; ++i)
        il_setImageWithURL(b.views[static_cast<std::size_t>(i)], parsed[static_cast<std::size_t>(i)], nullptr,
            ILLoadProgressiveLoad,
            [&](const ILImageRef& image, const foundation::Ref<foundation::Error>& error,
                ILCacheType cacheType, const auto& url) {
                if (!image && failed == 0)
                    std::fprintf(stderr, "ours failed: %s %s\n", error ? error->description().c_str() : "-",
                        url ? url->absoluteString().c_str() : "-");
                ++done;
                failed += image && (!fromMemory || cacheType == ILCacheTypeMemory) ? 0 : 1;
                if (peakCost)
                    *peakCost = std::max(*peakCost, memory->totalCost());
                finishedOne();
            });
    if (!runUntil([&] { return done == kViews; }))
        return -1;
    paintEach(b.views);
    const double elapsed = benchsupport::secondsSince(start);
    return failed == 0 ? elapsed : -1;
}

// The peer: QNetworkAccessManager, QImage::fromData on the GUI thread, QLabel::setPixmap.
double qnamLoads(const std::vector<std::string>& urls, bool fromPixmapCache)
{
    auto& b = bench();
    for (auto* label : b.labels)
        label->setPixmap(QPixmap());
    int done = 0;
    int failed = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kViews; ++i) {
        QLabel* label = b.labels[static_cast<std::size_t>(i)];
        const QString url = QString::fromStdString(urls[static_cast<std::size_t>(i)]);
        if (fromPixmapCache) {
            QPixmap cached;
            if (QPixmapCache::find(url, &cached)) {
                label->setPixmap(cached);
                ++done;
                continue;
            }
        }
        QNetworkReply* reply = b.network->get(QNetworkRequest(QUrl(url)));
        QObject::connect(reply, &QNetworkReply::finished, [reply, label, url, &done, &failed] {
            const QImage image = QImage::fromData(reply->readAll());
            if (image.isNull() && failed == 0)
                std::fprintf(stderr, "qnam failed: %s %s\n", reply->errorString().toUtf8().constData(),
                    reply->url().toString().toUtf8().constData());
            if (image.isNull()) {
                ++failed;
            } else {
                const QPixmap pixmap = QPixmap::fromImage(image);
                QPixmapCache::insert(url, pixmap);
                label->setPixmap(pixmap);
            }
            ++done;
            reply->deleteLater();
            finishedOne();
        });
    }
    if (!runUntil([&] { return done == kViews; }))
        return -1;
    paintEach(b.labels);
    const double elapsed = benchsupport::secondsSince(start);
    return failed == 0 ? elapsed : -1;
}

benchsupport::PairedTimes coldTimes;
benchsupport::PairedTimes warmTimes;

void cold(benchmark::State& state)
{
    emptyOurCaches();
    // Each side gets its own fresh set, so neither finds the other's URLs in a cache.
    std::vector<std::string> oursURLs;
    std::vector<std::string> peerURLs;
    benchsupport::runAlternately(state,
        { [&] { return ourLoads(oursURLs); }, [&] { return qnamLoads(peerURLs, false); },
            "a load of ours failed", "a QNetworkAccessManager load failed",
            [&] {
                // The URLs are new, so neither side's disk or memory has them;
                // the memory caches are emptied so that cost stays the same.
                ILImageCache::sharedImageCache()->clearMemory();
                QPixmapCache::clear();
                oursURLs = freshURLs();
                peerURLs = freshURLs();
            } },
        coldTimes, "qnam_ms");
}

void warm(benchmark::State& state)
{
    ILImageCache::sharedImageCache()->config()->setMaxMemoryCost(kRoomyCost);
    QPixmapCache::setCacheLimit(static_cast<int>(kRoomyCost / 1024));
    const auto urls = freshURLs();
    // Fill both caches once, untimed.
    if (ourLoads(urls) < 0 || qnamLoads(urls, false) < 0) {
        state.SkipWithError("filling the caches failed");
        return;
    }
    benchsupport::runAlternately(state,
        { [&] { return ourLoads(urls, true); }, [&] { return qnamLoads(urls, true); },
            "a load of ours failed or did not come from the memory cache", "a QPixmapCache round failed",
            nullptr },
        warmTimes, "qnam_ms");
}

long residentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace

BENCHMARK(warm)->Iterations(benchsupport::fullOrQuick(15, 1))->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(cold)->Iterations(benchsupport::fullOrQuick(7, 1))->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // Our loads run with the allocator set as the client sets it, so the memory policy's cost (the
    // decoding threads share two arenas) shows where it would in use. Set before any thread starts,
    // as the client does; the peer in this process runs under the same setting.
    ILApplyProcessMemoryPolicy();
    setUpHome();
    qputenv(
        "QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    auto drain = dispatch::QtMainQueueDrain::install();
    if (!startService())
        return 1;
    setUpWidgets();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    // The ceiling: 600 new previews through a 32 MiB memory cache.
    emptyOurCaches();
    ILImageCache::sharedImageCache()->config()->setMaxMemoryCost(kCeilingCost);
    const long residentBefore = residentKiB();
    std::uint64_t peak = 0;
    const bool loaded = ourLoads(freshURLs(), false, &peak) >= 0;
    const double ceiling = static_cast<double>(peak) / static_cast<double>(kCeilingCost);
    const long growth = residentKiB() - residentBefore;

    if (!warmTimes.empty())
        std::printf("ratio %.3f preview-load-600-warm\n", warmTimes.ratio());
    std::printf("ceiling %.3f peak %.1f MiB of %.0f MiB, rss growth %.1f MiB%s\n", ceiling,
        static_cast<double>(peak) / 1048576.0, static_cast<double>(kCeilingCost) / 1048576.0,
        static_cast<double>(growth) / 1024.0, loaded ? "" : " (loads failed)");
    if (!coldTimes.empty())
        std::printf("ratio %.3f preview-load-600-cold\n", coldTimes.ratio());
    std::fflush(stdout);

    bench().network.reset();
    bench().window.reset();
    bench().service.reset();
    std::filesystem::remove_all(bench().folder);
    return loaded && ceiling <= 1.0 ? 0 : 1;
}
