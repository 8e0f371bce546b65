#include "BridgeTestSupport.h"
#include "Lib/ScriptBridge/WebScriptBridgeBase.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"

#include <atomic>
#include <gtest/gtest.h>
#include <set>
#include <thread>

using namespace foundation;

using bridgetest::EvaluationTiming;

namespace {

class BridgeThreads : public testing::TestWithParam<EvaluationTiming> { };

} // namespace

// Sends from other threads run on the main queue, so the callback table, the id counter and the
// deliveries are only ever touched by the main thread while it also flushes the page's answers.
TEST_P(BridgeThreads, FourThreadsSendWhileTheMainThreadFlushesAnswers)
{
    bridgetest::LogCapture log;
    auto core = WebScriptBridgeBase::create();
    auto evaluator = bridgetest::makeEvaluator(GetParam());
    core->setDelegate(evaluator);
    core->injectJavascriptFile();
    ASSERT_TRUE(evaluator->settle());
    evaluator->scripts.clear();

    constexpr int kThreads = 4;
    constexpr int kSendsPerThread = 150;
    std::atomic<int> answered { 0 };
    std::atomic<int> sendersDone { 0 };
    std::vector<std::thread> senders;
    for (int t = 0; t < kThreads; ++t) {
        senders.emplace_back([&, t] {
            for (int i = 0; i < kSendsPerThread; ++i)
                core->sendData(
                    Id(t * 1000 + i), [&answered](const Id&) { ++answered; }, std::string("h"));
            ++sendersDone;
        });
    }
    // The page's part, on the main thread: answer every call that waits, in batches.
    bool settled = dispatch::RunLoop::runUntil(
        [&] {
            std::string batch;
            for (const auto& [callbackId, callback] : core->responseCallbacks())
                batch += (batch.empty() ? "[" : ",")
                    + format(R"({"responseId":"%@","responseData":1})", callbackId);
            if (!batch.empty())
                core->flushMessageQueue(String::create(batch + "]"));
            return sendersDone == kThreads && core->responseCallbacks().empty();
        },
        60);
    for (std::thread& sender : senders)
        sender.join();

    ASSERT_TRUE(settled);
    ASSERT_TRUE(evaluator->settle());
    EXPECT_EQ(answered, kThreads * kSendsPerThread);
    std::vector<Id> delivered = bridgetest::deliveredMessages(evaluator->scripts);
    ASSERT_EQ(delivered.size(), static_cast<std::size_t>(kThreads * kSendsPerThread));
    std::set<std::string> ids;
    std::vector<long long> nextOfThread(kThreads, 0);
    for (const Id& message : delivered) {
        ids.insert(message["callbackId"].stringValue());
        // Each thread's sends reach the page in the order it made them.
        const long long data = message["data"].integerValue();
        EXPECT_EQ(data % 1000, nextOfThread.at(static_cast<std::size_t>(data / 1000))++) << data;
    }
    EXPECT_EQ(ids.size(), delivered.size());
    EXPECT_EQ(log.countStartingWith("WebScriptBridge: WARNING"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Evaluation, BridgeThreads,
    testing::Values(EvaluationTiming::Immediate, EvaluationTiming::Deferred),
    [](const testing::TestParamInfo<EvaluationTiming>& timing) {
        return bridgetest::timingName(timing.param);
    });
