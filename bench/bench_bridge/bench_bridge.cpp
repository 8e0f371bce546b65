// The script bridge against QWebChannel on one view-less offscreen page, in one run:
//  1. the page calls a native "echo" 2,000 times with 200-byte payloads, all in flight, then
//     waits for every answer;
//  2. native code calls a page "echo" 2,000 times likewise.
// Ours goes through WKWebScriptBridge (one fetch carries every call the page queued since the
// last one); the peer is QWebChannel with an echo object on the same page (its page calls are
// method calls with a result callback, its native calls a signal the page answers with a method
// call). Each round runs both sides back to back. Prints a ratio per direction and, as the last
// line, `ratio <ours/qwebchannel> bridge-echo-2000` over both directions.

#include "Lib/ScriptBridge/WKWebScriptBridge.h"
#include "Lib/ScriptBridge/WebScriptBridge.h"
#include "Platform/DispatchQt/QtMainQueueDrain.h"
#include "Platform/Foundation/Foundation.h"
#include "Support/AlternatingRun.h"
#include "Support/QuickRun.h"
#include "Support/Timing.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>

namespace {

const int kCalls = benchsupport::fullOrQuick(2000, 200);

class EchoObject final : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE QString echo(const QString& payload) { return payload; }
    Q_INVOKABLE void answer(int id, const QString& payload)
    {
        (void)id;
        (void)payload;
        ++answers;
    }
    Q_INVOKABLE void done() { pageDone = true; }

    int answers = 0;
    bool pageDone = false;

signals:
    void request(int id, const QString& payload);
};

const char* const kPage = R"html(<!DOCTYPE html><html><body><script>
var pageBridge = null;
window.WSBCallbacks = [function (bridge) {
    pageBridge = bridge;
    bridge.registerHandler('echo', function (data, respond) { respond(data); });
}];
var bridgeFrame = document.createElement('iframe');
bridgeFrame.style.display = 'none';
bridgeFrame.src = 'https://__bridge_loaded__';
document.documentElement.appendChild(bridgeFrame);

function bridgeCallsNative(count, payload) {
    var left = count;
    for (var i = 0; i < count; i++)
        pageBridge.callHandler('echo', payload, function () { if (--left === 0) pageBridge.callHandler('done'); });
}
var echoObject = null;
function startChannel() {
    new QWebChannel(qt.webChannelTransport, function (channel) {
        echoObject = channel.objects.echo;
        echoObject.request.connect(function (id, payload) { echoObject.answer(id, payload); });
    });
}
function channelCallsNative(count, payload) {
    var left = count;
    for (var i = 0; i < count; i++)
        echoObject.echo(payload, function () { if (--left === 0) echoObject.done(); });
}
</script></body></html>)html";

bool waitUntil(const std::function<bool()>& predicate, int timeoutMs = 60000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!predicate()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

QVariant runScript(QWebEnginePage& page, const QString& script)
{
    auto value = std::make_shared<std::optional<QVariant>>();
    page.runJavaScript(script, 0, [value](const QVariant& result) { *value = result; });
    waitUntil([&] { return value->has_value(); }, 20000);
    return value->value_or(QVariant());
}

// The page with both channels, and what runs on it.
class Stage {
public:
    // Empty when the page is ready; otherwise why not.
    std::string prepare()
    {
        profile_ = std::make_unique<QWebEngineProfile>(); // off the record
        profile_->settings()->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
        page_ = std::make_unique<QWebEnginePage>(profile_.get());
        bridge_ = WKWebScriptBridge::bridgeForWebView(page_.get());
        bridge_->registerHandler(
            "echo", [](const foundation::Id& data, const WSBResponseCallback& respond) { respond(data); });
        bridge_->registerHandler(
            "done", [this](const foundation::Id&, const WSBResponseCallback&) { bridgePageDone_ = true; });
        channel_.registerObject("echo", &echo_);
        page_->setWebChannel(&channel_);

        std::optional<bool> loaded;
        QObject::connect(page_.get(), &QWebEnginePage::loadFinished, [&loaded](bool ok) { loaded = ok; });
        page_->setHtml(kPage, QUrl("https://bench-page.invalid/"));
        if (!waitUntil([&] { return loaded.has_value(); }, 20000) || !*loaded)
            return "the web engine did not load the page within 20 s";
        QFile channelScript(":/qtwebchannel/qwebchannel.js");
        if (!channelScript.open(QIODevice::ReadOnly))
            return "qwebchannel.js is not among Qt's resources";
        runScript(*page_, QString::fromUtf8(channelScript.readAll()) + "\nstartChannel(); true;");
        if (!waitUntil(
                [&] { return runScript(*page_, "pageBridge !== null && echoObject !== null").toBool(); },
                20000))
            return "the page did not get both channels";
        return {};
    }

    double bridgePageCalls()
    {
        bridgePageDone_ = false;
        auto start = std::chrono::steady_clock::now();
        page_->runJavaScript(QString("bridgeCallsNative(%1, '%2')").arg(kCalls).arg(payload()));
        return waitUntil([&] { return bridgePageDone_; }) ? benchsupport::secondsSince(start) : -1;
    }

    double channelPageCalls()
    {
        echo_.pageDone = false;
        auto start = std::chrono::steady_clock::now();
        page_->runJavaScript(QString("channelCallsNative(%1, '%2')").arg(kCalls).arg(payload()));
        return waitUntil([&] { return echo_.pageDone; }) ? benchsupport::secondsSince(start) : -1;
    }

    double bridgeNativeCalls()
    {
        int answers = 0;
        auto start = std::chrono::steady_clock::now();
        foundation::Id data(payload().toStdString());
        for (int i = 0; i < kCalls; ++i)
            bridge_->callHandler("echo", data, [&answers](const foundation::Id&) { ++answers; });
        return waitUntil([&] { return answers == kCalls; }) ? benchsupport::secondsSince(start) : -1;
    }

    double channelNativeCalls()
    {
        echo_.answers = 0;
        auto start = std::chrono::steady_clock::now();
        QString data = payload();
        for (int i = 0; i < kCalls; ++i)
            emit echo_.request(i, data);
        return waitUntil([&] { return echo_.answers == kCalls; }) ? benchsupport::secondsSince(start) : -1;
    }

    void finish()
    {
        bridge_.reset();
        page_.reset();
        profile_.reset();
    }

private:
    static QString payload()
    {
        QString text;
        while (text.size() < 200)
            text += "Corvane bridge payload ";
        return text.left(200);
    }

    std::unique_ptr<QWebEngineProfile> profile_;
    std::unique_ptr<QWebEnginePage> page_;
    std::shared_ptr<WKWebScriptBridge> bridge_;
    QWebChannel channel_;
    EchoObject echo_;
    bool bridgePageDone_ = false;
};

Stage& stage()
{
    static Stage instance;
    return instance;
}

benchsupport::PairedTimes pageToNative;
benchsupport::PairedTimes nativeToPage;

void page_to_native(benchmark::State& state)
{
    benchsupport::runAlternately(state,
        { [] { return stage().bridgePageCalls(); }, [] { return stage().channelPageCalls(); },
            "the bridge's answers did not all come", "the channel's answers did not all come", {} },
        pageToNative, "qwebchannel_ms");
}

void native_to_page(benchmark::State& state)
{
    benchsupport::runAlternately(state,
        { [] { return stage().bridgeNativeCalls(); }, [] { return stage().channelNativeCalls(); },
            "the bridge's answers did not all come", "the channel's answers did not all come", {} },
        nativeToPage, "qwebchannel_ms");
}

} // namespace

BENCHMARK(page_to_native)
    ->Iterations(benchsupport::fullOrQuick(7, 1))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(native_to_page)
    ->Iterations(benchsupport::fullOrQuick(7, 1))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
        "--disable-gpu --host-resolver-rules=\"MAP * ~NOTFOUND , EXCLUDE 127.0.0.1\"");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    WebScriptBridge::registerUrlSchemes();
    QApplication app(argc, argv);
    auto drain = dispatch::QtMainQueueDrain::install();

    std::string unavailable = stage().prepare();
    if (!unavailable.empty()) {
        std::printf("bench_bridge: no ratio: %s\n", unavailable.c_str());
        stage().finish();
        const char* required = std::getenv("CORVANE_REQUIRE_WEBENGINE");
        return required && std::string(required) == "1" ? 1 : 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    stage().finish();
    if (!pageToNative.empty() && !nativeToPage.empty()) {
        std::printf("ratio %.3f page-to-native-2000\n", pageToNative.ratio());
        std::printf("ratio %.3f native-to-page-2000\n", nativeToPage.ratio());
        double ours = benchsupport::median(pageToNative.ours) + benchsupport::median(nativeToPage.ours);
        double peer = benchsupport::median(pageToNative.peer) + benchsupport::median(nativeToPage.peer);
        std::printf("ratio %.3f bridge-echo-2000\n", ours / peer);
    }
    std::fflush(stdout);
    return 0;
}

#include "bench_bridge.moc"
