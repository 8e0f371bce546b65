#include "Class/Account/Core/KXCountDown.h"

#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// What a count showed, in order: the counts, then "end".
struct Recorder {
    std::vector<std::string> seen;

    KXCountDown::Tick tick()
    {
        return [this](long long count) { seen.push_back(std::to_string(count)); };
    }
    KXCountDown::End end()
    {
        return [this] { seen.push_back("end"); };
    }
    // Waits (in real time, bounded) until `n` events arrived.
    bool waitFor(std::size_t n) { return dispatch::RunLoop::runUntil([&] { return seen.size() >= n; }, 5); }
};

using Seen = std::vector<std::string>;

} // namespace

TEST(KXCountDown, CountsDownOneValueASecondStartingAtOnceThenEnds)
{
    dispatch::VirtualClock::Scope time;
    Recorder recorder;
    KXCountDown count;
    count.start(3, recorder.tick(), recorder.end());
    time.advance(0);
    ASSERT_TRUE(recorder.waitFor(1));
    EXPECT_EQ(recorder.seen, Seen({"3"})) << "the first value shows at once";
    EXPECT_TRUE(count.isCounting());

    time.advance(0.999);
    dispatch::RunLoop::drain();
    EXPECT_EQ(recorder.seen, Seen({"3"})) << "nothing before the second is over";
    time.advance(0.001);
    ASSERT_TRUE(recorder.waitFor(2));
    time.advance(1);
    ASSERT_TRUE(recorder.waitFor(3));
    EXPECT_EQ(recorder.seen, Seen({"3", "2", "1"}));
    EXPECT_TRUE(count.isCounting());
    time.advance(1);
    ASSERT_TRUE(recorder.waitFor(4));
    EXPECT_EQ(recorder.seen, Seen({"3", "2", "1", "end"})) << "the end comes n seconds after the start";
    EXPECT_FALSE(count.isCounting());

    time.advance(10);
    dispatch::RunLoop::drain();
    EXPECT_EQ(recorder.seen.size(), 4u) << "the timer stopped with the end";
}

TEST(KXCountDown, ZeroAndNegativeCountsEndOnTheFirstTick)
{
    for (long long seconds : {0LL, -5LL}) {
        dispatch::VirtualClock::Scope time;
        Recorder recorder;
        KXCountDown count;
        count.start(seconds, recorder.tick(), recorder.end());
        time.advance(0);
        ASSERT_TRUE(recorder.waitFor(1)) << seconds;
        EXPECT_EQ(recorder.seen, Seen({"end"})) << seconds;
        EXPECT_FALSE(count.isCounting());
    }
}

TEST(KXCountDown, ARestartReplacesTheRunningCount)
{
    dispatch::VirtualClock::Scope time;
    Recorder recorder;
    KXCountDown count;
    count.start(60, recorder.tick(), recorder.end());
    time.advance(2);
    ASSERT_TRUE(recorder.waitFor(3));
    count.start(2, recorder.tick(), recorder.end());
    time.advance(0);
    ASSERT_TRUE(recorder.waitFor(4));
    time.advance(5);
    ASSERT_TRUE(recorder.waitFor(6));
    dispatch::RunLoop::drain();
    EXPECT_EQ(recorder.seen, Seen({"60", "59", "58", "2", "1", "end"})) << "one count at a time, never two interleaved";
}

TEST(KXCountDown, NothingArrivesOnceTheCountIsCancelledOrGone)
{
    dispatch::VirtualClock::Scope time;
    Recorder recorder;
    {
        KXCountDown count;
        count.start(5, recorder.tick(), recorder.end());
        time.advance(0);
        ASSERT_TRUE(recorder.waitFor(1));
    }
    time.advance(10);
    dispatch::RunLoop::drain();
    EXPECT_EQ(recorder.seen, Seen({"5"})) << "a count does not outlive its owner";

    KXCountDown count;
    count.start(5, recorder.tick(), recorder.end());
    time.advance(2);
    ASSERT_TRUE(recorder.waitFor(4));
    count.cancel();
    EXPECT_FALSE(count.isCounting());
    time.advance(10);
    dispatch::RunLoop::drain();
    EXPECT_EQ(recorder.seen, Seen({"5", "5", "4", "3"})) << "a cancelled count neither ticks nor ends";
}

TEST(KXCountDown, CallsBackOnTheMainThread)
{
    dispatch::VirtualClock::Scope time;
    std::vector<bool> onMain;
    KXCountDown count;
    count.start(1, [&](long long) { onMain.push_back(dispatch::isMainThread()); }, [&] { onMain.push_back(dispatch::isMainThread()); });
    time.advance(1);
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return onMain.size() == 2; }, 5));
    EXPECT_EQ(onMain, std::vector<bool>({true, true}));
}
