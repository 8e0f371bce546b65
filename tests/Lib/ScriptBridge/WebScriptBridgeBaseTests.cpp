#include "BridgeTestSupport.h"
#include "Lib/ScriptBridge/WebScriptBridgeBase.h"
#include "Lib/ScriptBridge/WebScriptBridgePageScript.h"
#include "Platform/Foundation/Foundation.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace foundation;
using bridgetest::deliveredMessage;
using bridgetest::deliveredMessages;
using bridgetest::EvaluationTiming;
using bridgetest::LogCapture;
using bridgetest::RecordingEvaluator;

namespace {

class BridgeCoreTest : public testing::Test {
protected:
    void SetUp() override { core->setDelegate(evaluator); }

    // The core as it is once the page has its script: deliveries go out at once.
    void inject()
    {
        core->injectJavascriptFile();
        evaluator->scripts.clear();
    }

    void flush(std::string_view json) { core->flushMessageQueue(String::create(json)); }

    std::shared_ptr<WebScriptBridgeBase> core = WebScriptBridgeBase::create();
    std::shared_ptr<RecordingEvaluator> evaluator = std::make_shared<RecordingEvaluator>();
    LogCapture log;
};

const std::string kNilWarning = "WebScriptBridge: WARNING: ObjC got nil while fetching the message queue "
                                "JSON from webview. This can happen if "
                                "the WebScriptBridge JS is not currently present in the webview, e.g if the "
                                "webview just loaded a new page.";

} // namespace

TEST_F(BridgeCoreTest, MessagesCarryOnlyWhatWasGivenAndIdsCountFromOneAgainAfterReset)
{
    inject();
    core->sendData(Id(), nullptr, std::string("plain"));
    core->sendData(
        Id("x"), [](const Id&) {}, std::string("h"));
    core->sendData(
        Id(2), [](const Id&) {}, std::nullopt);
    ASSERT_EQ(evaluator->scripts.size(), 3u);
    EXPECT_EQ(
        evaluator->scripts[0], R"(WebScriptBridge._handleMessageFromObjC('{\"handlerName\":\"plain\"}');)");
    EXPECT_EQ(evaluator->scripts[1],
        R"(WebScriptBridge._handleMessageFromObjC('{\"data\":\"x\",\"callbackId\":\"objc_cb_1\",\"handlerName\":\"h\"}');)");
    Id third = deliveredMessage(evaluator->scripts[2]);
    EXPECT_EQ(third["callbackId"].stringValue(), "objc_cb_2");
    EXPECT_TRUE(third["handlerName"].isNil());
    EXPECT_EQ(core->responseCallbacks().size(), 2u);

    core->reset();
    core->injectJavascriptFile();
    core->sendData(
        Id(), [](const Id&) {}, std::string("again"));
    EXPECT_EQ(deliveredMessage(evaluator->scripts.back())["callbackId"].stringValue(), "objc_cb_1");
    EXPECT_EQ(core->responseCallbacks().size(), 1u);
}

TEST_F(BridgeCoreTest, SendsWaitForTheScriptAndFollowItInOrderThenGoAtOnce)
{
    core->sendData(Id("first"), nullptr, std::string("h"));
    core->sendData(Id("second"), nullptr, std::string("h"));
    EXPECT_TRUE(evaluator->scripts.empty());
    EXPECT_EQ(core->startupMessageQueue()->count(), 2u);

    core->injectJavascriptFile();
    ASSERT_EQ(evaluator->scripts.size(), 3u);
    EXPECT_EQ(evaluator->scripts[0], kWebScriptBridgePageScript);
    EXPECT_EQ(deliveredMessage(evaluator->scripts[1])["data"].stringValue(), "first");
    EXPECT_EQ(deliveredMessage(evaluator->scripts[2])["data"].stringValue(), "second");
    EXPECT_FALSE(core->startupMessageQueue());

    core->sendData(Id("third"), nullptr, std::string("h"));
    ASSERT_EQ(evaluator->scripts.size(), 4u);
    EXPECT_EQ(deliveredMessage(evaluator->scripts[3])["data"].stringValue(), "third");

    // Injecting again evaluates the script (which ignores itself in the page) and sends nothing.
    core->injectJavascriptFile();
    EXPECT_EQ(evaluator->scripts.size(), 5u);
}

TEST_F(BridgeCoreTest, PayloadsThatJSONCannotEncodeAreRefusedWithoutKeepingTheirCallback)
{
    inject();
    bool called = false;
    for (const Id& payload : { Id(Data::create(std::string_view("bytes"))),
             Id(Date::dateWithTimeIntervalSince1970(0)), Id(std::numeric_limits<double>::quiet_NaN()),
             Id(Array::create({ Id(1), Id(std::numeric_limits<double>::infinity()) })) }) {
        core->sendData(
            payload, [&called](const Id&) { called = true; }, std::string("h"));
    }
    EXPECT_TRUE(evaluator->scripts.empty());
    EXPECT_TRUE(core->responseCallbacks().empty());
    EXPECT_EQ(log.countStartingWith(
                  "WebScriptBridge: WARNING: refused to send a payload that JSON cannot encode: "),
        4u);

    core->sendData(
        Id("fine"), [](const Id&) {}, std::string("h"));
    EXPECT_EQ(deliveredMessage(evaluator->scripts.at(0))["callbackId"].stringValue(), "objc_cb_1");
    EXPECT_FALSE(called);
}

TEST_F(BridgeCoreTest, TheWaitingQueueIsCappedByCountAndBySize)
{
    for (std::size_t i = 0; i < WebScriptBridgeBase::kMaxWaitingMessages; ++i)
        core->sendData(Id(static_cast<long long>(i)), nullptr, std::string("h"));
    bool called = false;
    core->sendData(
        Id("one too many"), [&called](const Id&) { called = true; }, std::string("h"));
    EXPECT_EQ(core->startupMessageQueue()->count(), WebScriptBridgeBase::kMaxWaitingMessages);
    EXPECT_TRUE(core->responseCallbacks().empty());
    EXPECT_EQ(log.countStartingWith("WebScriptBridge: WARNING: refused to send: 1000 messages"), 1u);

    core->reset();
    std::string threeMiB(3u << 20, 'a');
    for (int i = 0; i < 3; ++i)
        core->sendData(
            Id(threeMiB), [](const Id&) {}, std::string("h"));
    EXPECT_EQ(core->startupMessageQueue()->count(), 2u);
    EXPECT_EQ(core->responseCallbacks().size(), 2u);

    // Once injected, nothing is capped: deliveries leave at once.
    core->injectJavascriptFile();
    core->sendData(Id(threeMiB), nullptr, std::string("h"));
    core->sendData(Id(threeMiB), nullptr, std::string("h"));
    EXPECT_EQ(deliveredMessages(evaluator->scripts).size(), 4u);
    EXPECT_FALSE(called);
}

TEST_F(BridgeCoreTest, PageCallsRunTheirHandlerAndAnswerUnderTheirCallbackId)
{
    inject();
    std::vector<std::string> seen;
    core->messageHandlers()["echo"] = [&seen](const Id& data, const WSBResponseCallback& respond) {
        seen.push_back(data.description());
        respond(data);
    };
    core->messageHandlers()["silent"] = [&seen](const Id& data, const WSBResponseCallback& respond) {
        seen.push_back(data.isNil() ? "nil" : data.description());
        respond(Id()); // an answer to a call that wants none goes nowhere
    };
    flush(R"([{"handlerName":"echo","data":{"a":[1,"two"]},"callbackId":"cb_1_99"},{"handlerName":"silent"},)"
          R"({"handlerName":"echo","data":null,"callbackId":"cb_2_99"}])");
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1], "nil");
    std::vector<Id> answers = deliveredMessages(evaluator->scripts);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0]["responseId"].stringValue(), "cb_1_99");
    EXPECT_EQ(answers[0]["responseData"]["a"][1].stringValue(), "two");
    EXPECT_EQ(answers[1]["responseId"].stringValue(), "cb_2_99");
    EXPECT_TRUE(answers[1]["responseData"].isNull());
}

TEST_F(BridgeCoreTest, ResponsesReachTheirCallbackOnceAndUnknownOnesAreLogged)
{
    inject();
    std::vector<std::string> answers;
    core->sendData(
        Id("q"), [&answers](const Id& answer) { answers.push_back(answer.stringValue()); }, std::string("h"));
    flush(
        R"([{"responseId":"objc_cb_1","responseData":"ok"},{"responseId":"objc_cb_1","responseData":"again"},)"
        R"({"responseId":"objc_cb_77","responseData":"never asked"}])");
    EXPECT_EQ(answers, std::vector<std::string> { "ok" });
    EXPECT_TRUE(core->responseCallbacks().empty());
    EXPECT_TRUE(log.contains("WebScriptBridge: WARNING: no callback waits for the response objc_cb_1"));
    EXPECT_TRUE(log.contains("WebScriptBridge: WARNING: no callback waits for the response objc_cb_77"));
}

TEST_F(BridgeCoreTest, ACallToAnUnknownHandlerIsLoggedAndNeverAnswered)
{
    inject();
    flush(R"([{"handlerName":"missing","callbackId":"cb_1_1"}])");
    EXPECT_TRUE(evaluator->scripts.empty());
    // (Once another test has switched the process-wide logging on, the message is traced too.)
    EXPECT_EQ(log.countStartingWith("WSBNoHandlerException"), 1u);
    EXPECT_TRUE(
        log.contains("WSBNoHandlerException, No handler for message from JS: {\n    callbackId = cb_1_1;\n"
                     "    handlerName = missing;\n}"));
    EXPECT_EQ(log.countStartingWith("WebScriptBridge: WARNING"), 0u);
}

TEST_F(BridgeCoreTest, AHandlerThatAnswersTwiceQueuesTwoResponsesWithOneId)
{
    inject();
    core->messageHandlers()["twice"] = [](const Id&, const WSBResponseCallback& respond) {
        respond(Id(1));
        respond(Id(2));
    };
    flush(R"([{"handlerName":"twice","callbackId":"cb_7_7"}])");
    std::vector<Id> answers = deliveredMessages(evaluator->scripts);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0]["responseId"].stringValue(), "cb_7_7");
    EXPECT_EQ(answers[1]["responseId"].stringValue(), "cb_7_7");
    EXPECT_EQ(answers[1]["responseData"].integerValue(), 2);
}

TEST_F(BridgeCoreTest, MalformedQueuesAndMessagesAreLoggedAndSkipped)
{
    inject();
    int calls = 0;
    core->messageHandlers()["h"] = [&calls](const Id&, const WSBResponseCallback& respond) {
        ++calls;
        respond(Id("answer"));
    };
    core->flushMessageQueue(nullptr);
    flush("");
    EXPECT_EQ(log.lines(), (std::vector<std::string> { kNilWarning, kNilWarning }));

    flush(R"({"handlerName":"h"})");
    flush("[");
    flush("\"text\"");
    EXPECT_EQ(log.countStartingWith("WebScriptBridge: WARNING: the message queue is no JSON array: "), 3u);

    flush(
        R"([1,"x",null,{"handlerName":5},{"handlerName":"h","callbackId":7},{"responseId":9},{"responseId":null},)"
        R"({"handlerName":"h","callbackId":"cb_1_1"}])");
    EXPECT_TRUE(log.contains("WebScriptBridge: WARNING: Invalid NSNumber received: 1"));
    EXPECT_TRUE(log.contains("WebScriptBridge: WARNING: Invalid NSString received: x"));
    EXPECT_TRUE(log.contains("WebScriptBridge: WARNING: Invalid NSNull received: <null>"));
    EXPECT_EQ(log.countStartingWith(
                  "WebScriptBridge: WARNING: ignored a call whose handlerName or callbackId is no string: "),
        2u);
    EXPECT_EQ(
        log.countStartingWith("WebScriptBridge: WARNING: ignored a response whose responseId is no string: "),
        2u);
    // The one well-formed call still ran and was answered.
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(deliveredMessages(evaluator->scripts).size(), 1u);

    std::string huge = "[\"" + std::string(WebScriptBridgeBase::kMaxFetchedBytes, 'a') + "\"]";
    flush(huge);
    EXPECT_TRUE(log.contains(
        format("WebScriptBridge: WARNING: ignored a message queue of %lu bytes (the limit is %lu)",
            huge.size(), WebScriptBridgeBase::kMaxFetchedBytes)));
}

TEST_F(BridgeCoreTest, AResetWhileDeliveringDropsTheRestOfTheBatch)
{
    inject();
    bool oldCalled = false;
    std::vector<std::string> newAnswers;
    core->sendData(
        Id("before"), [&oldCalled](const Id&) { oldCalled = true; }, std::string("h"));
    core->messageHandlers()["resetAndSend"] = [this, &newAnswers](const Id&, const WSBResponseCallback&) {
        core->reset();
        core->sendData(
            Id("after"), [&newAnswers](const Id& answer) { newAnswers.push_back(answer.stringValue()); },
            std::string("h"));
    };
    // The second message answers the call made before the reset, whose id the new call now has.
    flush(R"([{"handlerName":"resetAndSend"},{"responseId":"objc_cb_1","responseData":"stale"}])");
    EXPECT_FALSE(oldCalled);
    EXPECT_TRUE(newAnswers.empty());
    EXPECT_EQ(core->responseCallbacks().count("objc_cb_1"), 1u);
    EXPECT_TRUE(
        log.contains("WebScriptBridge: WARNING: the bridge was reset; dropped 1 messages of the page"));
    EXPECT_EQ(core->messageHandlers().count("resetAndSend"), 1u); // handlers survive resets
}

TEST_F(BridgeCoreTest, EscapedLoneSurrogatesArriveAsReplacementCharacters)
{
    inject();
    Id received;
    core->messageHandlers()["h"]
        = [&received](const Id& data, const WSBResponseCallback&) { received = data; };
    flush(R"([{"handlerName":"h","data":["a\ud800b","\udc00","c\ud83d\ude00","\\ud800"]}])");
    EXPECT_EQ(received[0].stringValue(), "a\uFFFDb");
    EXPECT_EQ(received[1].stringValue(), "\uFFFD");
    EXPECT_EQ(received[2].stringValue(), "c\U0001F600");
    EXPECT_EQ(received[3].stringValue(), "\\ud800"); // an escaped backslash followed by text
}

TEST_F(BridgeCoreTest, ANewDocumentReturnsToWaitingAndDropsTheOldDocumentsCallbacks)
{
    // Before the first injection nothing was delivered: waiting messages keep their callbacks.
    core->sendData(
        Id("early"), [](const Id&) {}, std::string("h"));
    core->returnToWaiting();
    EXPECT_EQ(core->responseCallbacks().size(), 1u);
    EXPECT_EQ(core->startupMessageQueue()->count(), 1u);

    core->injectJavascriptFile();
    core->sendData(
        Id("late"), [](const Id&) {}, std::string("h"));
    unsigned long resetsBefore = core->resetCount();
    core->returnToWaiting();
    EXPECT_GT(core->resetCount(), resetsBefore);
    EXPECT_TRUE(core->responseCallbacks().empty());
    EXPECT_TRUE(log.contains(
        "WebScriptBridge: WARNING: a new document was loaded; dropped 2 callbacks of calls to the old one"));

    evaluator->scripts.clear();
    core->sendData(
        Id("waits"), [](const Id&) {}, std::string("h"));
    EXPECT_TRUE(evaluator->scripts.empty());
    core->injectJavascriptFile();
    std::vector<Id> delivered = deliveredMessages(evaluator->scripts);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0]["callbackId"].stringValue(), "objc_cb_3"); // ids go on counting
}

TEST_F(BridgeCoreTest, LoggingCutsTextAtTheLimitWithoutSplittingASurrogatePair)
{
    WebScriptBridgeBase::enableLogging();
    WebScriptBridgeBase::setLogMaxLength(500);
    inject();
    core->sendData(Id(), nullptr, std::string("h"));
    EXPECT_TRUE(log.contains(R"(WSB SEND: {"handlerName":"h"})"));

    WebScriptBridgeBase::setLogMaxLength(5);
    core->_log("RCVD", Id("ab\U0001F600cd"));
    core->_log("RCVD", Id("abcd\U0001F600"));
    core->_log("RCVD", Id("abcde"));
    WebScriptBridgeBase::setLogMaxLength(-3);
    EXPECT_EQ(WebScriptBridgeBase::logMaxLength(), 0);
    core->_log("RCVD", Id("x"));
    core->_log("RCVD", Dictionary::create({ { Id("k"), Id(1) } }));
    WebScriptBridgeBase::setLogMaxLength(500);
    core->_log("RCVD", Dictionary::create({ { Id("k"), Id(1) } }));
    std::vector<std::string> lines = log.lines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[1], "WSB RCVD: ab\U0001F600c [...]");
    EXPECT_EQ(lines[2], "WSB RCVD: abcd [...]");
    EXPECT_EQ(lines[3], "WSB RCVD: abcde");
    EXPECT_EQ(lines[4], "WSB RCVD:  [...]");
    EXPECT_EQ(lines[5], "WSB RCVD:  [...]");
    EXPECT_EQ(lines[6], "WSB RCVD: {\n  \"k\" : 1\n}");
}

TEST_F(BridgeCoreTest, BridgeAddressesAreRecognisedByTheirSchemeAndHost)
{
    auto url = [](const char* text) { return URL::URLWithString(text); };
    EXPECT_TRUE(core->isBridgeLoadedURL(url("https://__bridge_loaded__")));
    EXPECT_TRUE(core->isBridgeLoadedURL(url("HTTPS://__BRIDGE_LOADED__/")));
    EXPECT_TRUE(core->isQueueMessageURL(url("wsbscheme://__wsb_queue_message__/anything")));
    EXPECT_TRUE(core->isWebScriptBridgeURL(url("WsbScheme://__Bridge_Loaded__")));
    EXPECT_FALSE(core->isWebScriptBridgeURL(url("http://__bridge_loaded__")));
    EXPECT_FALSE(core->isWebScriptBridgeURL(url("https://forwarded.invalid/__bridge_loaded__")));
    EXPECT_FALSE(core->isWebScriptBridgeURL(url("wsbscheme://other.host/")));
    EXPECT_TRUE(core->isSchemeMatch(url("wsbscheme://other.host/")));
    EXPECT_FALSE(core->isWebScriptBridgeURL(nullptr));
    EXPECT_EQ(core->webViewJavascriptCheckCommand(), "typeof WebScriptBridge == 'object';");
    EXPECT_EQ(core->webViewJavascriptFetchQueyCommand(), "WebScriptBridge._fetchQueue();");
}

TEST_F(BridgeCoreTest, TheSafetyTimeoutIsSwitchedOffByAMessageToThePageHandler)
{
    inject();
    core->disableJavscriptAlertBoxSafetyTimeout();
    ASSERT_EQ(evaluator->scripts.size(), 1u);
    EXPECT_EQ(evaluator->scripts[0],
        R"(WebScriptBridge._handleMessageFromObjC('{\"handlerName\":\"_disableJavascriptAlertBoxSafetyTimeout\"}');)");
}

TEST_F(BridgeCoreTest, NothingRunsOnceTheCoreOrItsBindingIsGone)
{
    inject();
    WSBResponseCallback kept;
    core->messageHandlers()["keep"]
        = [&kept](const Id&, const WSBResponseCallback& respond) { kept = respond; };
    flush(R"([{"handlerName":"keep","callbackId":"cb_1_1"}])");
    ASSERT_TRUE(kept);

    evaluator.reset(); // the binding is gone: deliveries evaluate nothing
    EXPECT_FALSE(core->_evaluateJavascript("1"));
    kept(Id("late"));

    std::size_t linesBefore = log.lines().size();
    core.reset();
    kept(Id("later")); // the core is gone: the answer goes nowhere
    EXPECT_EQ(log.lines().size(), linesBefore);
}

namespace {

// The core with a binding that evaluates at once (the legacy kind) and with one that evaluates on
// a later turn of the main queue (the web engine's kind): the core must not care which.
class BridgeCoreTimingTest : public testing::TestWithParam<EvaluationTiming> {
protected:
    void SetUp() override { core->setDelegate(evaluator); }

    std::shared_ptr<WebScriptBridgeBase> core = WebScriptBridgeBase::create();
    std::shared_ptr<RecordingEvaluator> evaluator = bridgetest::makeEvaluator(GetParam());
    LogCapture log;
};

} // namespace

TEST_P(BridgeCoreTimingTest, WaitingSendsFollowTheScriptInOrderAndEachAnswerFindsItsCallback)
{
    std::vector<std::string> answers(3);
    auto answerInto = [&answers](std::size_t slot) {
        return [&answers, slot](const Id& answer) { answers[slot] = answer.stringValue(); };
    };
    core->sendData(Id("first"), answerInto(0), std::string("h"));
    core->sendData(Id("second"), answerInto(1), std::string("h"));
    const unsigned long resets = core->resetCount();
    core->injectJavascriptFile();
    // The page evaluates in order: a send right after the injection need not wait for its result.
    core->sendData(Id("third"), answerInto(2), std::string("h"));
    EXPECT_FALSE(core->startupMessageQueue());
    if (GetParam() == EvaluationTiming::Deferred) {
        EXPECT_TRUE(evaluator->scripts.empty()) << "nothing is evaluated before the main queue runs";
    }

    ASSERT_TRUE(evaluator->settle());
    ASSERT_EQ(evaluator->scripts.size(), 4u);
    EXPECT_EQ(evaluator->scripts[0], kWebScriptBridgePageScript);
    std::vector<Id> delivered = deliveredMessages(evaluator->scripts);
    const std::vector<std::string> sent { "first", "second", "third" };
    ASSERT_EQ(delivered.size(), sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(delivered[i]["data"].stringValue(), sent[i]);
        EXPECT_EQ(delivered[i]["callbackId"].stringValue(), format("objc_cb_%lu", i + 1));
    }

    // The page answers in its own order, in one fetched queue.
    core->flushMessageQueue(String::create(R"([{"responseId":"objc_cb_3","responseData":"c"},)"
                                           R"({"responseId":"objc_cb_1","responseData":"a"},)"
                                           R"({"responseId":"objc_cb_2","responseData":"b"}])"));
    EXPECT_EQ(answers, (std::vector<std::string> { "a", "b", "c" }));
    EXPECT_TRUE(core->responseCallbacks().empty());
    // None of this was a reset: a fetch the binding began meanwhile still counts.
    EXPECT_EQ(core->resetCount(), resets);
    EXPECT_EQ(log.countStartingWith("WebScriptBridge: WARNING"), 0u);
}

TEST_P(BridgeCoreTimingTest, AnswersGivenDuringAndAfterAFlushReachThePageInTheOrderGiven)
{
    core->injectJavascriptFile();
    ASSERT_TRUE(evaluator->settle());
    evaluator->scripts.clear();
    core->messageHandlers()["now"] = [this](const Id& data, const WSBResponseCallback& respond) {
        core->sendData(data, nullptr, std::string("note")); // a call to the page from inside a handler
        respond(data);
    };
    WSBResponseCallback later;
    core->messageHandlers()["later"]
        = [&later](const Id&, const WSBResponseCallback& respond) { later = respond; };
    core->flushMessageQueue(String::create(R"([{"handlerName":"now","data":1,"callbackId":"cb_1_1"},)"
                                           R"({"handlerName":"later","data":2,"callbackId":"cb_2_1"},)"
                                           R"({"handlerName":"now","data":3,"callbackId":"cb_3_1"}])"));
    ASSERT_TRUE(later);
    later(Id("late"));

    ASSERT_TRUE(evaluator->settle());
    std::vector<std::string> shapes;
    for (const Id& message : deliveredMessages(evaluator->scripts)) {
        if (message["responseId"])
            shapes.push_back("answer " + message["responseId"].stringValue() + "="
                + message["responseData"].description());
        else
            shapes.push_back(
                "call " + message["handlerName"].stringValue() + "=" + message["data"].description());
    }
    EXPECT_EQ(shapes,
        (std::vector<std::string> {
            "call note=1", "answer cb_1_1=1", "call note=3", "answer cb_3_1=3", "answer cb_2_1=late" }));
}

INSTANTIATE_TEST_SUITE_P(Evaluation, BridgeCoreTimingTest,
    testing::Values(EvaluationTiming::Immediate, EvaluationTiming::Deferred),
    [](const testing::TestParamInfo<EvaluationTiming>& timing) {
        return bridgetest::timingName(timing.param);
    });
