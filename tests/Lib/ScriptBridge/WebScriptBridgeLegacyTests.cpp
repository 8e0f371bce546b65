#include "BridgeTestSupport.h"
#include "Lib/ScriptBridge/WebScriptBridge.h"
#include "Platform/Foundation/Foundation.h"
#include "ScriptOnlyWebView.h"

#include <gtest/gtest.h>

using namespace foundation;
using bridgetest::LogCapture;
using bridgetest::ScriptOnlyWebView;
using Decision = WebPolicyDecisionListener::Decision;

namespace {

// The application's own policy delegate: records what reaches it, decides nothing.
class RecordingPolicyDelegate final : public WebPolicyDelegate {
public:
    void webViewDecidePolicyForNavigationAction(
        WebScriptLegacyWebView&, const Ref<URL>& request, WebPolicyDecisionListener&) override
    {
        requests.push_back(request->absoluteString());
    }
    std::vector<std::string> requests;
};

class LegacyBridgeTest : public testing::Test {
protected:
    void SetUp() override
    {
        bridge = WebScriptBridge::bridgeForLegacyWebView(&view);
        bridge->setWebViewDelegate(appDelegate);
        bridge->registerHandler(
            "echo", [](const Id& data, const WSBResponseCallback& respond) { respond(data); });
    }

    // The page starts the bridge, registers its own "echo" and keeps what reaches it.
    void startPage()
    {
        view.run("var pageBridge = null; var pageReceived = [];");
        view.startBridgeFromPage("function (bridge) {"
                                 "  pageBridge = bridge;"
                                 "  bridge.registerHandler('echo', function (data, respond) {"
                                 "    pageReceived.push(data); respond(data); });"
                                 "}");
        view.runPending();
        ASSERT_TRUE(view.run("pageBridge !== null").toBool());
    }

    std::size_t fetches() const
    {
        return static_cast<std::size_t>(std::count_if(view.evaluations.begin(), view.evaluations.end(),
            [](const auto& e) { return e.script == "WebScriptBridge._fetchQueue();"; }));
    }

    LogCapture log;
    ScriptOnlyWebView view;
    std::shared_ptr<RecordingPolicyDelegate> appDelegate = std::make_shared<RecordingPolicyDelegate>();
    std::shared_ptr<WebScriptBridge> bridge;
};

} // namespace

TEST_F(LegacyBridgeTest, StartingThePageInjectsTheScriptFetchesTheEmptyQueueAndCallsTheStartList)
{
    startPage();
    // The bridge-loaded request, then the script's first signal: both cancelled, none forwarded.
    ASSERT_EQ(view.navigations.size(), 2u);
    EXPECT_EQ(view.navigations[0].url, "https://__bridge_loaded__");
    EXPECT_EQ(view.navigations[1].url, "https://__wsb_queue_message__");
    EXPECT_EQ(view.navigations[0].decision, Decision::Ignore);
    EXPECT_EQ(view.navigations[1].decision, Decision::Ignore);
    EXPECT_TRUE(appDelegate->requests.empty());
    ASSERT_EQ(fetches(), 1u);
    EXPECT_EQ(view.evaluations.back().result, "[]");
    EXPECT_TRUE(log.lines().empty());
    EXPECT_FALSE(view.run("'WSBCallbacks' in window").toBool());
    EXPECT_TRUE(view.run("document.documentElement.childNodes[1].style.display === 'none'").toBool());
    EXPECT_TRUE(view.console.isEmpty()) << view.console.join("\n").toStdString();
}

TEST_F(LegacyBridgeTest, InjectingTwiceChangesNothingAndOnerrorIsInstalledOnlyWhenAbsent)
{
    startPage();
    view.run("pageBridge.registerHandler('mark', function () {});");
    bridge->base()->injectJavascriptFile();
    view.runPending();
    EXPECT_TRUE(view.run("window.WebScriptBridge === pageBridge").toBool());
    EXPECT_EQ(view.run("document.documentElement.childNodes.length").toInt(),
        2); // one bridge frame, one signal frame
    view.run("window.onerror('boom', 'https://page.invalid/app.js', 7)");
    EXPECT_EQ(view.console.back().toStdString(), "WebScriptBridge: ERROR:boom@https://page.invalid/app.js:7");

    ScriptOnlyWebView other;
    auto otherBridge = WebScriptBridge::bridgeForLegacyWebView(&other);
    other.run("var ownHandler = function () {}; window.onerror = ownHandler;");
    other.startBridgeFromPage("function () {}");
    other.runPending();
    EXPECT_TRUE(other.run("window.onerror === ownHandler").toBool());
}

TEST_F(LegacyBridgeTest, PayloadsMakeTheRoundTripUnchangedAndRunNothingElse)
{
    startPage();
    const std::vector<std::string>& payloads = bridgetest::trickyPayloads();
    std::vector<std::string> nativeGot;
    bridge->registerHandler("collect", [&nativeGot](const Id& data, const WSBResponseCallback& respond) {
        nativeGot.push_back(data.stringValue());
        respond(data);
    });
    std::vector<std::string> answers;
    for (const std::string& payload : payloads)
        bridge->callHandler(
            "echo", Id(payload), [&answers](const Id& answer) { answers.push_back(answer.stringValue()); });
    view.runPending();
    EXPECT_EQ(answers, payloads);
    for (std::size_t i = 0; i < payloads.size(); ++i)
        EXPECT_EQ(view.run(QString("pageReceived[%1]").arg(i)).toString().toStdString(), payloads[i]);

    // And from the page: each payload to native and back.
    view.run("var pageAnswers = [];"
             "for (var i = 0; i < pageReceived.length; i++)"
             "  pageBridge.callHandler('collect', pageReceived[i], function (answer) { "
             "pageAnswers.push(answer); });");
    view.runPending();
    EXPECT_EQ(nativeGot, payloads);
    EXPECT_EQ(view.run("pageAnswers.length").toInt(), static_cast<int>(payloads.size()));
    EXPECT_TRUE(view.run("pageAnswers.every(function (a, i) { return a === pageReceived[i]; })").toBool());
    EXPECT_FALSE(view.console.join("\n").contains("ALERT")) << view.console.join("\n").toStdString();
    EXPECT_FALSE(view.console.join("\n").contains("uncaught")) << view.console.join("\n").toStdString();
}

TEST_F(LegacyBridgeTest, LoneSurrogatesArriveAsReplacementCharactersBothWays)
{
    startPage();
    Id received;
    bridge->registerHandler(
        "keep", [&received](const Id& data, const WSBResponseCallback&) { received = data; });
    view.run("pageBridge.callHandler('keep', 'a\\ud800b\\udc00c')");
    view.runPending();
    EXPECT_EQ(received.stringValue(), "a\uFFFDb\uFFFDc");

    Ref<String> lone = String::createWithUTF16(u"x\xD800y");
    bridge->callHandler("echo", Id(lone));
    view.runPending();
    EXPECT_EQ(view.run("pageReceived[0]").toString(), QString::fromUtf8("x\uFFFDy"));
}

TEST_F(LegacyBridgeTest, CallHandlerWithAFunctionAsSecondArgumentSendsNullAndWantsAnAnswer)
{
    startPage();
    Id seenData = Id("unset");
    bool hadCallback = false;
    bridge->registerHandler("ask", [&](const Id& data, const WSBResponseCallback& respond) {
        seenData = data;
        hadCallback = true;
        respond(Id("answered"));
    });
    view.run("var askAnswer; pageBridge.callHandler('ask', function (answer) { askAnswer = answer; });");
    view.runPending();
    EXPECT_TRUE(seenData.isNull());
    EXPECT_TRUE(hadCallback);
    EXPECT_EQ(view.run("askAnswer").toString(), "answered");
}

TEST_F(LegacyBridgeTest, TwoPageCallsBeforeTheFetchArriveTogetherInOrder)
{
    startPage();
    std::vector<std::string> order;
    bridge->registerHandler("note",
        [&order](const Id& data, const WSBResponseCallback&) { order.push_back(data.stringValue()); });
    std::size_t fetchesBefore = fetches();
    view.run("pageBridge.callHandler('note', 'one'); pageBridge.callHandler('note', 'two');");
    view.runPending();
    EXPECT_EQ(order, (std::vector<std::string> { "one", "two" }));
    // The second call found a signal on its way: one fetch carried both.
    ASSERT_EQ(fetches(), fetchesBefore + 1);
    EXPECT_EQ(view.evaluations.back().result,
        R"([{"handlerName":"note","data":"one"},{"handlerName":"note","data":"two"}])");

    // Once fetched, the next call signals again.
    view.run("pageBridge.callHandler('note', 'three');");
    view.runPending();
    EXPECT_EQ(fetches(), fetchesBefore + 2);
    EXPECT_EQ(order.back(), "three");
}

TEST_F(LegacyBridgeTest, NoSignalFrameNavigatesOftenEnoughForTheEngineToStopIt)
{
    // The web engine ignores a frame's navigations beyond 200 in 10 seconds.
    constexpr int kCalls = 450;
    startPage();
    int received = 0;
    bridge->registerHandler("next", [&received](const Id& data, const WSBResponseCallback& respond) {
        EXPECT_EQ(data.integerValue(), received);
        ++received;
        respond(data);
    });
    // Each call waits for the answer to the one before, so every call signals on its own.
    view.run(QString("var nextCall = 0; function callNext() {"
                     "  if (nextCall < %1) pageBridge.callHandler('next', nextCall++, callNext); }"
                     "callNext();")
                 .arg(kCalls));
    view.runPending();
    EXPECT_EQ(received, kCalls);
    EXPECT_EQ(view.run("nextCall").toInt(), kCalls);
    EXPECT_LT(
        view.run("Math.max.apply(null, allFrames.map(function (f) { return f.navigationCount; }))").toInt(),
        200);
    // The replaced frames are gone from the document: one bridge frame, one signal frame.
    EXPECT_EQ(view.run("document.documentElement.childNodes.length").toInt(), 2);
    EXPECT_TRUE(view.console.isEmpty()) << view.console.join("\n").toStdString();
}

TEST_F(LegacyBridgeTest, TheSafetyTimerDelaysNativeMessagesUntilDisabled)
{
    startPage();
    bridge->callHandler("echo", Id("delayed"));
    EXPECT_EQ(view.run("pageReceived.length").toInt(), 0); // waits for its zero-delay timer
    view.runPending();
    EXPECT_EQ(view.run("pageReceived.length").toInt(), 1);

    bridge->disableJavscriptAlertBoxSafetyTimeout();
    view.runPending(); // the switch itself still went through a timer
    bridge->callHandler("echo", Id("at once"));
    EXPECT_EQ(view.run("pageReceived.length").toInt(), 2);
    EXPECT_EQ(view.run("pageReceived[1]").toString(), "at once");
}

TEST_F(LegacyBridgeTest, ThePageIgnoresAnswersToUnknownCallbacksAndLogsUnknownHandlers)
{
    startPage();
    bridge->base()->_queueMessage(
        Dictionary::create({ { Id("responseId"), Id("cb_404_1") }, { Id("responseData"), Id(1) } }));
    bridge->callHandler("nobody", Id("x"));
    view.runPending();
    ASSERT_FALSE(view.console.isEmpty());
    EXPECT_EQ(view.console.size(), 1);
    EXPECT_EQ(view.console.back().toStdString(),
        R"(WebScriptBridge: WARNING: no handler for message from ObjC: {"data":"x","handlerName":"nobody"})");
}

TEST_F(LegacyBridgeTest, APageWithoutAStartListStartsNothingAndFailsNothing)
{
    view.run("var f = document.createElement('iframe'); f.src = 'https://__bridge_loaded__';"
             "document.documentElement.appendChild(f);");
    view.runPending();
    EXPECT_TRUE(view.run("typeof WebScriptBridge == 'object'").toBool());
    EXPECT_TRUE(view.console.isEmpty()) << view.console.join("\n").toStdString();
}

TEST_F(LegacyBridgeTest, OrdinaryRequestsGoToTheApplicationsDelegateOrLoad)
{
    startPage();
    view.run("var f = document.createElement('iframe'); f.src = 'wsbscheme://other.host/path';"
             "f.src = 'https://forwarded.invalid/';");
    view.runPending();
    EXPECT_EQ(appDelegate->requests,
        (std::vector<std::string> { "wsbscheme://other.host/path", "https://forwarded.invalid/" }));
    EXPECT_EQ(
        view.navigations.back().decision, Decision::Undecided); // the delegate decided nothing: it loads

    bridge->setWebViewDelegate({});
    view.run("f.src = 'https://forwarded.invalid/again';");
    view.runPending();
    EXPECT_EQ(view.navigations.back().decision, Decision::Use);
    EXPECT_EQ(appDelegate->requests.size(), 2u);
}

TEST_F(LegacyBridgeTest, ABindingDecidesOnlyForItsOwnViewAndLeavesTheViewWhenItGoes)
{
    ScriptOnlyWebView other;
    WebPolicyDecisionListener listener;
    bridge->webViewDecidePolicyForNavigationAction(
        other, URL::URLWithString("https://__bridge_loaded__"), listener);
    EXPECT_EQ(listener.decision(), Decision::Undecided);
    EXPECT_TRUE(other.evaluations.empty());

    EXPECT_FALSE(view.policyDelegate().expired());
    bridge.reset();
    EXPECT_TRUE(view.policyDelegate().expired());
    EXPECT_EQ(
        view.decidePolicyForNavigation(URL::URLWithString("https://__bridge_loaded__")), Decision::Undecided);
}

TEST(WebScriptBridgeEntry, PicksTheLegacyBindingAndRefusesOtherObjects)
{
    ScriptOnlyWebView view;
    std::shared_ptr<WebScriptBridgeBase> core = WebScriptBridge::bridgeForWebView(&view);
    auto binding = std::dynamic_pointer_cast<WebScriptBridge>(core->delegate().lock());
    ASSERT_TRUE(binding);
    EXPECT_EQ(binding->webView(), &view);
    EXPECT_EQ(core, binding->base()); // the binding's own core
    binding.reset();
    EXPECT_FALSE(core->delegate().expired()); // the pointer keeps its binding

    QObject plain;
    for (QObject* webView : { &plain, static_cast<QObject*>(nullptr) }) {
        try {
            WebScriptBridge::bridgeForWebView(webView);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& exception) {
            EXPECT_EQ(exception.name(), "BadWebViewType");
            EXPECT_EQ(exception.reason(), "Unknown web view type.");
        }
    }
}
