#include "Platform/Dispatch/Semaphore.h"

#include "Platform/Dispatch/Clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(SemaphoreCount, EverySignalReleasesExactlyOneWaiter)
{
    dispatch::Semaphore semaphore(0);
    dispatch::Semaphore finished(0);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 6; ++i) {
        waiters.emplace_back([&] {
            semaphore.wait();
            released.fetch_add(1);
            finished.signal();
        });
    }
    for (int i = 0; i < 6; ++i) {
        semaphore.signal();
        finished.wait();
        EXPECT_EQ(released.load(), i + 1);
    }
    for (auto& w : waiters)
        w.join();
}

TEST(SemaphoreTimeout, WaitTimesOutOnTheVirtualClockAndKeepsTheCount)
{
    dispatch::VirtualClock::Scope scope;
    dispatch::Semaphore semaphore(0);
    std::atomic<bool> done{false};
    bool result = true;
    std::thread waiter([&] {
        result = semaphore.wait(300.0);
        done = true;
    });
    while (!done.load()) {
        scope.advance(30.0);
        std::this_thread::yield();
    }
    waiter.join();
    EXPECT_FALSE(result);
    // A timed-out wait took nothing: one signal is one unit.
    semaphore.signal();
    EXPECT_TRUE(semaphore.wait(0));
    EXPECT_FALSE(semaphore.wait(0));
}

TEST(SemaphoreTimeout, SignalBeforeTheDeadlineWins)
{
    dispatch::VirtualClock::Scope scope;
    dispatch::Semaphore semaphore(0);
    std::thread signaller([&] { semaphore.signal(); });
    EXPECT_TRUE(semaphore.wait(10.0));
    signaller.join();
}

} // namespace
