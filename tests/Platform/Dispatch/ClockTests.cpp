#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using dispatch::VirtualClock;

double secondsSince(const dispatch::Clock::TimePoint& start)
{
    return std::chrono::duration<double>(dispatch::Clock::current()->now() - start).count();
}

// --- Delayed blocks on the virtual clock ---

TEST(VirtualAfter, FiresInDeadlineOrderOnlyWhenDue)
{
    VirtualClock::Scope scope;
    const auto start = scope.clock().now();
    std::vector<std::string> fired;
    std::vector<double> firedAt;
    auto record = [&](std::string name) {
        return [&, name] {
            fired.push_back(name);
            firedAt.push_back(secondsSince(start));
        };
    };
    dispatch::mainQueue().after(4.0, record("splash"));
    dispatch::mainQueue().after(1.5, record("toast"));
    dispatch::mainQueue().after(1.5, record("toast-2"));
    dispatch::mainQueue().after(0.5, record("hover"));

    scope.advance(0.4);
    EXPECT_TRUE(fired.empty());
    scope.advance(1.1);
    EXPECT_EQ(fired, (std::vector<std::string>{"hover", "toast", "toast-2"}));
    scope.advance(300);
    EXPECT_EQ(fired, (std::vector<std::string>{"hover", "toast", "toast-2", "splash"}));
    // Each block saw the clock at its own deadline.
    EXPECT_EQ(firedAt, (std::vector<double>{0.5, 1.5, 1.5, 4.0}));
    EXPECT_DOUBLE_EQ(secondsSince(start), 301.5);
}

TEST(VirtualAfter, WorkScheduledByAFiredBlockFiresInTheSameAdvance)
{
    VirtualClock::Scope scope;
    const auto start = scope.clock().now();
    std::vector<double> polls;
    std::function<void()> poll = [&] {
        polls.push_back(secondsSince(start));
        if (polls.size() < 3)
            dispatch::mainQueue().after(2.0, poll);
    };
    dispatch::mainQueue().after(1.0, poll);
    scope.advance(10);
    EXPECT_EQ(polls, (std::vector<double>{1.0, 3.0, 5.0}));
}

TEST(VirtualAfter, DelayedBlocksOnASerialQueueKeepDeadlineOrder)
{
    VirtualClock::Scope scope;
    auto queue = dispatch::makeSerialQueue("test.delayed");
    std::vector<int> seen;
    for (int i = 9; i >= 0; --i)
        queue->after(0.1 * (i + 1), [&seen, i] { seen.push_back(i); });
    scope.advance(0.55);
    queue->sync([] {});
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4}));
    scope.advance(1);
    queue->sync([] {});
    EXPECT_EQ(seen.size(), 10u);
}

TEST(VirtualAfter, NothingScheduledOnAFinishedVirtualClockLeaksIntoTheNext)
{
    bool fired = false;
    {
        VirtualClock::Scope scope;
        dispatch::mainQueue().after(1.0, [&] { fired = true; });
    }
    VirtualClock::Scope next;
    next.advance(100);
    EXPECT_FALSE(fired);
}

TEST(VirtualAfter, PendingCountFollowsWhatIsStillToFire)
{
    VirtualClock::Scope scope;
    dispatch::mainQueue().after(1.0, [] { });
    dispatch::mainQueue().after(2.0, [] { });
    EXPECT_EQ(scope.clock().pendingCount(), 2u);
    scope.advance(1.5);
    EXPECT_EQ(scope.clock().pendingCount(), 1u);
    scope.advance(1);
    EXPECT_EQ(scope.clock().pendingCount(), 0u);
}

TEST(VirtualAfter, RunForAdvancesTheVirtualClock)
{
    VirtualClock::Scope scope;
    bool fired = false;
    dispatch::mainQueue().after(4.0, [&] { fired = true; });
    dispatch::RunLoop::runFor(3.9);
    EXPECT_FALSE(fired);
    dispatch::RunLoop::runFor(0.1);
    EXPECT_TRUE(fired);
}

// --- Sleeping on the virtual clock ---

TEST(VirtualSleep, WorkerSleepEndsWhenVirtualTimePassesIt)
{
    VirtualClock::Scope scope;
    const auto start = scope.clock().now();
    std::atomic<bool> awake{false};
    std::thread poller([&] {
        dispatch::Clock::sleep(300);
        awake = true;
    });
    // The sleeper reads the clock when it starts; stepping until it wakes keeps the outcome
    // independent of that moment.
    while (!awake.load()) {
        scope.advance(10);
        std::this_thread::yield();
    }
    poller.join();
    EXPECT_GE(secondsSince(start), 300.0);
}

TEST(VirtualSleep, SleepOnTheDrivingThreadCanAdvanceTimeItself)
{
    VirtualClock::Scope scope;
    scope.clock().setSleepAdvancesTime(true);
    const auto start = scope.clock().now();
    bool fired = false;
    dispatch::mainQueue().after(0.5, [&] { fired = true; });
    dispatch::Clock::sleep(1.0);
    EXPECT_DOUBLE_EQ(secondsSince(start), 1.0);
    EXPECT_FALSE(fired) << "a sleeping thread runs nothing";
    dispatch::RunLoop::drain();
    EXPECT_TRUE(fired);
}

// --- Real clock ---

TEST(RealAfter, DelayedBlockReachesTheMainQueue)
{
    ASSERT_FALSE(dispatch::Clock::current()->isVirtual());
    bool fired = false;
    dispatch::mainQueue().after(0.001, [&] { fired = true; });
    EXPECT_TRUE(dispatch::RunLoop::runUntil([&] { return fired; }, 30));
}

} // namespace
