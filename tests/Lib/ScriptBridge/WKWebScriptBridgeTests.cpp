#include "BridgeTestSupport.h"
#include "Lib/ScriptBridge/WKWebScriptBridge.h"
#include "Lib/ScriptBridge/WebScriptBridge.h"
#include "Platform/Foundation/Foundation.h"
#include "Support/WebEngine/WebEngineTestSupport.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QTimer>
#include <QWebEngineNavigationRequest>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <gtest/gtest.h>

using namespace foundation;
using bridgetest::LogCapture;
using testsupport::runScript;
using testsupport::waitFor;

void testsupport::beforeWebEngineApplication()
{
    WebScriptBridge::registerUrlSchemes();
}

namespace {

// The application's navigation delegate: records what reaches it, decides nothing.
class RecordingNavigationDelegate final : public WKNavigationDelegate {
public:
    void webViewDecidePolicyForNavigationAction(
        QWebEnginePage*, QWebEngineNavigationRequest& request) override
    {
        requests.append(request.url().toString());
    }
    void webViewDidStartProvisionalNavigation(QWebEnginePage*) override
    {
        ++starts;
        if (onStart)
            onStart();
    }
    void webViewDidFinishNavigation(QWebEnginePage*) override { ++finishes; }
    void webViewDidFailProvisionalNavigation(QWebEnginePage*, const Ref<Error>& error) override
    {
        failures.push_back(error);
    }

    QStringList requests;
    int starts = 0;
    int finishes = 0;
    std::vector<Ref<Error>> failures;
    std::function<void()> onStart;
};

// Records the addresses that reach the desktop's URL handler for a scheme.
class DesktopUrlRecorder final : public QObject {
    Q_OBJECT
public:
    explicit DesktopUrlRecorder(const QString& scheme)
        : scheme_(scheme)
    {
        QDesktopServices::setUrlHandler(scheme_, this, "open");
    }
    ~DesktopUrlRecorder() override { QDesktopServices::unsetUrlHandler(scheme_); }
    DesktopUrlRecorder(const DesktopUrlRecorder&) = delete;
    DesktopUrlRecorder& operator=(const DesktopUrlRecorder&) = delete;

    Q_INVOKABLE void open(const QUrl& url) { opened.append(url.toString()); }
    QStringList opened;

private:
    QString scheme_;
};

// A page that starts the bridge from its own script, keeps what its "echo" handler receives and
// tells the native "ready" handler once it has the bridge.
const char* const kBridgePage = R"html(<!DOCTYPE html><html><body><script>
var pageBridge = null;
var pageReceived = [];
var alerted = false;
window.alert = function () { alerted = true; };
window.WSBCallbacks = [function (bridge) {
    pageBridge = bridge;
    bridge.registerHandler('echo', function (data, respond) { pageReceived.push(data); if (respond) respond(data); });
    bridge.callHandler('ready', location.href);
}];
var bridgeFrame = document.createElement('iframe');
bridgeFrame.style.display = 'none';
bridgeFrame.src = 'https://__bridge_loaded__';
document.documentElement.appendChild(bridgeFrame);
</script></body></html>)html";

class WKBridgeTest : public testing::Test {
protected:
    void SetUp() override
    {
        CORVANE_SKIP_WITHOUT_WEBENGINE();
        isolated = std::make_unique<testsupport::IsolatedWebProfile>();
        isolated->guard().allowScheme("wsbscheme"); // answered by the bridge's own handler
        isolated->guard().allowHost("forwarded.invalid");
        page = new QWebEnginePage(isolated->profile());
        bridge = WKWebScriptBridge::bridgeForWebView(page);
        bridge->setWebViewDelegate(appDelegate);
        bridge->registerHandler("ready",
            [this](const Id& href, const WSBResponseCallback&) { readyPages.push_back(href.stringValue()); });
        bridge->registerHandler(
            "echo", [](const Id& data, const WSBResponseCallback& respond) { respond(data); });
    }

    void TearDown() override
    {
        bridge.reset();
        delete page.data();
        if (isolated) {
            EXPECT_TRUE(isolated->guard().violations().isEmpty())
                << isolated->guard().violations().join(" ").toStdString();
        }
        isolated.reset();
    }

    bool loadBridgePage(const QUrl& base = testsupport::testPageBaseUrl())
    {
        std::size_t before = readyPages.size();
        return testsupport::loadHtml(*page, kBridgePage, base)
            && waitFor([&] { return readyPages.size() > before; });
    }

    LogCapture log;
    std::unique_ptr<testsupport::IsolatedWebProfile> isolated;
    QPointer<QWebEnginePage> page;
    std::shared_ptr<WKWebScriptBridge> bridge;
    std::shared_ptr<RecordingNavigationDelegate> appDelegate
        = std::make_shared<RecordingNavigationDelegate>();
    std::vector<std::string> readyPages;
};

const std::vector<std::string>& payloads()
{
    return bridgetest::trickyPayloads();
}

} // namespace

TEST_F(WKBridgeTest, PayloadsMakeTheRoundTripBothWaysUnchanged)
{
    ASSERT_TRUE(loadBridgePage());
    std::vector<std::string> answers;
    for (const std::string& payload : payloads())
        bridge->callHandler(
            "echo", Id(payload), [&answers](const Id& answer) { answers.push_back(answer.stringValue()); });
    bridge->callHandler("echo", Id(String::createWithUTF16(u"lone \xD800 high")));
    ASSERT_TRUE(waitFor([&] { return answers.size() == payloads().size(); }));
    EXPECT_EQ(answers, payloads());
    EXPECT_EQ(runScript(*page, "pageReceived[pageReceived.length - 1]").toString(),
        QString::fromUtf8("lone \uFFFD high"));

    std::vector<std::string> nativeGot;
    bridge->registerHandler("collect", [&nativeGot](const Id& data, const WSBResponseCallback& respond) {
        nativeGot.push_back(data.stringValue());
        respond(data);
    });
    runScript(*page,
        "var pageAnswers = []; pageReceived.push('lone \\udc00 low');"
        "pageReceived.forEach(function (p) {"
        "  pageBridge.callHandler('collect', p, function (a) { pageAnswers.push(a); }); });");
    ASSERT_TRUE(waitFor([&] { return nativeGot.size() == payloads().size() + 2; }));
    for (std::size_t i = 0; i < payloads().size(); ++i)
        EXPECT_EQ(nativeGot[i], payloads()[i]);
    EXPECT_EQ(nativeGot[payloads().size() + 1], "lone \uFFFD low");
    ASSERT_TRUE(waitFor([&] {
        return runScript(*page, "pageAnswers.length").toInt() == static_cast<int>(nativeGot.size());
    }));
    EXPECT_TRUE(
        runScript(*page, "pageAnswers.slice(0, -2).every(function (a, i) { return a === pageReceived[i]; })")
            .toBool());
    EXPECT_FALSE(runScript(*page, "alerted").toBool());
}

TEST_F(WKBridgeTest, MessagesDeliveredTogetherStayIndependentWhenAHandlerThrows)
{
    ASSERT_TRUE(loadBridgePage());
    bridge->disableJavscriptAlertBoxSafetyTimeout();
    runScript(*page,
        "window.onerror = function (message) { window.lastError = String(message); };"
        "pageBridge.registerHandler('boom', function () { throw new Error('handler failed'); });");
    std::vector<std::string> answers;
    bridge->callHandler(
        "echo", Id("switched"), [&answers](const Id& answer) { answers.push_back(answer.stringValue()); });
    ASSERT_TRUE(waitFor([&] { return !answers.empty(); })); // the page now handles messages at once
    answers.clear();
    // Asked for in one turn: both reach the page as one evaluation.
    bridge->callHandler("boom", Id(1));
    bridge->callHandler("echo", Id("after the failure"),
        [&answers](const Id& answer) { answers.push_back(answer.stringValue()); });
    ASSERT_TRUE(waitFor([&] { return !answers.empty(); }));
    EXPECT_EQ(answers, std::vector<std::string> { "after the failure" });
    // The failure still reaches the page's error handler (its text muted: the script was injected).
    ASSERT_TRUE(waitFor([&] { return runScript(*page, "window.lastError !== undefined").toBool(); }));
}

TEST_F(WKBridgeTest, APageThatSignalsHundredsOfTimesInAFewSecondsIsStillHeard)
{
    // The engine ignores a frame's navigations beyond 200 in 10 seconds (unless told otherwise for
    // the whole process): a signal ignored that way would leave the page's queue waiting for good.
    constexpr int kCalls = 500;
    ASSERT_TRUE(loadBridgePage());
    bridge->disableJavscriptAlertBoxSafetyTimeout();
    int received = 0;
    QEventLoop loop; // waitFor pauses between its checks; a busy page does not
    bridge->registerHandler("next", [&](const Id& data, const WSBResponseCallback& respond) {
        EXPECT_EQ(data.integerValue(), received);
        if (++received == kCalls)
            loop.quit();
        respond(data);
    });
    // Each call waits for the answer to the one before, so every call signals on its own.
    runScript(*page,
        QString("var nextCall = 0; function callNext() {"
                "  if (nextCall < %1) pageBridge.callHandler('next', nextCall++, callNext); }"
                "callNext();")
            .arg(kCalls));
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(received, kCalls);
}

TEST_F(WKBridgeTest, BridgeRequestsAreCancelledAndOrdinaryOnesForwardedAndAllowed)
{
    ASSERT_TRUE(loadBridgePage());
    QStringList before = appDelegate->requests;
    runScript(*page,
        "var other = document.createElement('iframe'); other.src = 'https://forwarded.invalid/page';"
        "document.body.appendChild(other);");
    ASSERT_TRUE(waitFor([&] { return !isolated->guard().allowedHostRequests().isEmpty(); }));
    EXPECT_EQ(isolated->guard().allowedHostRequests().front(), QUrl("https://forwarded.invalid/page"));
    QStringList forwarded = appDelegate->requests.mid(before.size());
    EXPECT_EQ(forwarded, QStringList { "https://forwarded.invalid/page" });
    for (const QString& request : appDelegate->requests)
        EXPECT_FALSE(QUrl(request).host().startsWith("__")) << request.toStdString();
}

TEST_F(WKBridgeTest, AWsbschemeAddressNeverReachesTheDesktopsUrlHandler)
{
    DesktopUrlRecorder desktop("wsbscheme");
    // The engine would hand unknown schemes to the desktop even without a user's gesture.
    page->settings()->setUnknownUrlSchemePolicy(QWebEngineSettings::AllowAllUnknownUrlSchemes);
    ASSERT_TRUE(loadBridgePage());
    runScript(*page,
        "var other = document.createElement('iframe'); other.src = 'wsbscheme://other.host/frame';"
        "document.body.appendChild(other);");
    std::size_t failuresBefore = appDelegate->failures.size();
    page->load(QUrl("wsbscheme://other.host/top"));
    ASSERT_TRUE(waitFor([&] { return appDelegate->failures.size() > failuresBefore; }));
    EXPECT_TRUE(appDelegate->requests.contains("wsbscheme://other.host/frame"));
    EXPECT_TRUE(appDelegate->requests.contains("wsbscheme://other.host/top"));
    EXPECT_TRUE(desktop.opened.isEmpty()) << desktop.opened.join(" ").toStdString();
}

TEST_F(WKBridgeTest, ANewDocumentGetsTheMessagesThatWaitedForItsScript)
{
    ASSERT_TRUE(loadBridgePage());
    bool oldAnswered = false;
    bridge->registerHandler("hold", [](const Id&, const WSBResponseCallback&) {});
    runScript(*page, "pageBridge.registerHandler('silent', function () {});");
    bridge->callHandler("silent", Id("never answered"), [&oldAnswered](const Id&) { oldAnswered = true; });
    ASSERT_TRUE(waitFor([&] { return runScript(*page, "1").isValid(); }));

    std::vector<std::string> answers;
    appDelegate->onStart = [&] {
        appDelegate->onStart = nullptr;
        bridge->callHandler("echo", Id("sent while loading"),
            [&answers](const Id& answer) { answers.push_back(answer.stringValue()); });
    };
    int startsBefore = appDelegate->starts;
    ASSERT_TRUE(loadBridgePage(QUrl("https://second-page.invalid/")));
    EXPECT_GT(appDelegate->starts, startsBefore);
    EXPECT_EQ(readyPages.back(), "https://second-page.invalid/");
    ASSERT_TRUE(waitFor([&] { return !answers.empty(); }));
    EXPECT_EQ(answers, std::vector<std::string> { "sent while loading" });
    EXPECT_EQ(runScript(*page, "pageReceived.join('|')").toString(), "sent while loading");
    EXPECT_FALSE(oldAnswered);
    EXPECT_TRUE(log.contains(
        "WebScriptBridge: WARNING: a new document was loaded; dropped 1 callbacks of calls to the old one"));
    EXPECT_GE(appDelegate->finishes, 2);
}

TEST_F(WKBridgeTest, AFetchBegunBeforeAResetIsDropped)
{
    ASSERT_TRUE(loadBridgePage());
    int echoes = 0;
    bridge->registerHandler("count", [&echoes](const Id&, const WSBResponseCallback&) { ++echoes; });
    // Runs after the bridge's own handling of the signal, so the fetch is under way.
    QObject::connect(page, &QWebEnginePage::navigationRequested, bridge.get(),
        [this](QWebEngineNavigationRequest& request) {
            if (request.url().host() == "__wsb_queue_message__")
                bridge->reset();
        });
    runScript(*page, "pageBridge.callHandler('count', 1);");
    ASSERT_TRUE(waitFor([&] {
        return log.contains(
            "WebScriptBridge: WARNING: dropped a message queue fetched before the bridge was reset");
    }));
    EXPECT_EQ(echoes, 0);
}

TEST_F(WKBridgeTest, APageDestroyedWhileItsQueueIsFetchedRunsNoHandler)
{
    ASSERT_TRUE(loadBridgePage());
    int calls = 0;
    bridge->registerHandler("count", [&calls](const Id&, const WSBResponseCallback&) { ++calls; });
    // The page's fetch takes a while, and the page is deleted as soon as the fetch is asked for.
    runScript(*page,
        "var quickFetch = WebScriptBridge._fetchQueue;"
        "WebScriptBridge._fetchQueue = function () {"
        "  var until = Date.now() + 300; while (Date.now() < until) {} return quickFetch(); };");
    QObject::connect(
        page, &QWebEnginePage::navigationRequested, page, [this](QWebEngineNavigationRequest& request) {
            if (request.url().host() == "__wsb_queue_message__")
                page->deleteLater();
        });
    runScript(*page, "pageBridge.callHandler('count', 1);");
    ASSERT_TRUE(waitFor([&] { return page.isNull(); }));
    EXPECT_EQ(calls, 0);
    bridge->callHandler("echo", Id("to nobody")); // evaluating without a page does nothing
    EXPECT_FALSE(log.contains(
        "WebScriptBridge: WARNING: ObjC got nil while fetching the message queue JSON from webview. "
        "This can happen if the WebScriptBridge JS is not currently present in the webview, e.g if "
        "the webview just loaded a new page."));
}

namespace {

class EmptyLegacyView final : public WebScriptLegacyWebView {
public:
    Ref<String> stringByEvaluatingJavaScriptFromString(const std::string&) override
    {
        return String::empty();
    }
};

} // namespace

TEST_F(WKBridgeTest, TheEntryPointPicksTheBindingByTheKindOfView)
{
    std::shared_ptr<WebScriptBridgeBase> engineCore = WebScriptBridge::bridgeForWebView(page);
    auto engineBinding = std::dynamic_pointer_cast<WKWebScriptBridge>(engineCore->delegate().lock());
    ASSERT_TRUE(engineBinding);
    EXPECT_EQ(engineBinding->webView(), page.data());

    EmptyLegacyView legacyView;
    std::shared_ptr<WebScriptBridgeBase> legacyCore = WebScriptBridge::bridgeForWebView(&legacyView);
    EXPECT_TRUE(std::dynamic_pointer_cast<WebScriptBridge>(legacyCore->delegate().lock()));

    QObject plain;
    try {
        WebScriptBridge::bridgeForWebView(&plain);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& exception) {
        EXPECT_EQ(exception.name(), "BadWebViewType");
        EXPECT_EQ(exception.reason(), "Unknown web view type.");
    }
}

#include "WKWebScriptBridgeTests.moc"
