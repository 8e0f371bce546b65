#include "Platform/Dispatch/Group.h"

#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TEST(GroupNotify, RunsOnceAfterEveryMemberFinished)
{
    dispatch::Group group;
    std::atomic<int> finished{0};
    int finishedWhenNotified = -1;
    int notifications = 0;
    for (int i = 0; i < 8; ++i)
        group.async(dispatch::globalQueue(), [&] { finished.fetch_add(1); });
    group.notify(dispatch::mainQueue(), [&] {
        finishedWhenNotified = finished.load();
        ++notifications;
    });
    EXPECT_TRUE(dispatch::RunLoop::runUntil([&] { return notifications > 0; }, 30));
    EXPECT_EQ(finishedWhenNotified, 8);
    dispatch::RunLoop::drain();
    EXPECT_EQ(notifications, 1);
}

TEST(GroupNotify, ManualEnterAndLeave)
{
    dispatch::Group group;
    bool notified = false;
    group.enter();
    group.enter();
    group.notify(dispatch::mainQueue(), [&] { notified = true; });
    group.leave();
    dispatch::RunLoop::drain();
    EXPECT_FALSE(notified);
    group.leave();
    dispatch::RunLoop::drain();
    EXPECT_TRUE(notified);
}

TEST(GroupMisuse, LeavingMoreThanEnteredThrows)
{
    dispatch::Group group;
    group.enter();
    group.leave();
    EXPECT_THROW(group.leave(), dispatch::ProgrammingError);
}

TEST(GroupWait, ReturnsTrueWhenTheLastMemberLeaves)
{
    dispatch::Group group;
    group.enter();
    std::thread worker([group]() mutable { group.leave(); });
    EXPECT_TRUE(group.wait());
    worker.join();
    EXPECT_TRUE(group.wait(0));
}

TEST(GroupWait, TimesOutOnTheVirtualClock)
{
    dispatch::VirtualClock::Scope scope;
    dispatch::Group group;
    group.enter();
    EXPECT_FALSE(group.wait(0));

    std::atomic<bool> done{false};
    bool result = true;
    const auto start = scope.clock().now();
    std::thread waiter([&] {
        result = group.wait(5.0);
        done = true;
    });
    // The waiter reads the clock when it starts waiting; advancing in steps until it returns
    // makes the outcome independent of when that happens.
    while (!done.load()) {
        scope.advance(1.0);
        std::this_thread::yield();
    }
    waiter.join();
    EXPECT_FALSE(result);
    EXPECT_GE(scope.clock().now() - start, dispatch::Clock::seconds(5.0));
    group.leave();
}

} // namespace
