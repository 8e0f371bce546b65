#include "Platform/Dispatch/TimerSource.h"

#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/RunLoop.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using dispatch::TimerSource;

TEST(TimerFiring, RepeatingTimerOnAPrivateQueueFiresOncePerInterval)
{
    dispatch::VirtualClock::Scope scope;
    auto queue = dispatch::makeSerialQueue("test.countdown");
    int remaining = 60;
    std::vector<int> shown;
    auto timer = TimerSource::create(queue, 1.0, 1.0, [&] { shown.push_back(--remaining); });
    timer->start();
    scope.advance(0.999);
    queue->sync([] {});
    EXPECT_TRUE(shown.empty());
    scope.advance(9.001);
    queue->sync([] {});
    EXPECT_EQ(shown.size(), 10u);
    EXPECT_EQ(remaining, 50);
    EXPECT_EQ(timer->fireCount(), 10);
}

TEST(TimerFiring, OneShotFiresOnce)
{
    dispatch::VirtualClock::Scope scope;
    int fired = 0;
    auto timer = TimerSource::create(dispatch::mainQueue().shared_from_this(), 1.5, 0, [&] { ++fired; });
    timer->start();
    scope.advance(100);
    EXPECT_EQ(fired, 1);
}

TEST(TimerCancel, CancelBeforeTheDeadlinePreventsTheFiring)
{
    dispatch::VirtualClock::Scope scope;
    int fired = 0;
    auto timer = TimerSource::create(dispatch::mainQueue().shared_from_this(), 1.5, 0, [&] { ++fired; });
    timer->start();
    scope.advance(1.0);
    timer->cancel();
    EXPECT_TRUE(timer->isCancelled());
    scope.advance(10);
    EXPECT_EQ(fired, 0);
}

TEST(TimerCancel, CancelFromTheHandlerStopsTheRepeats)
{
    dispatch::VirtualClock::Scope scope;
    auto queue = dispatch::makeSerialQueue("test.cancel-self");
    std::shared_ptr<TimerSource> timer;
    int fired = 0;
    timer = TimerSource::create(queue, 1, 1, [&] {
        if (++fired == 3)
            timer->cancel();
    });
    timer->start();
    scope.advance(10);
    queue->sync([] {});
    EXPECT_EQ(fired, 3);
}

TEST(TimerCancel, AFiringAlreadyQueuedDoesNotRunAfterCancel)
{
    dispatch::VirtualClock::Scope scope;
    int fired = 0;
    auto timer = TimerSource::create(dispatch::mainQueue().shared_from_this(), 1, 0, [&] { ++fired; });
    timer->start();
    // Fire from another thread so the handler waits on the main queue, undrained.
    std::thread([&] { scope.advance(1); }).join();
    timer->cancel();
    dispatch::RunLoop::drain();
    EXPECT_EQ(fired, 0);
}

TEST(TimerCancel, DroppingTheLastReferenceCancels)
{
    dispatch::VirtualClock::Scope scope;
    int fired = 0;
    TimerSource::create(dispatch::mainQueue().shared_from_this(), 1, 1, [&] { ++fired; })->start();
    scope.advance(5);
    EXPECT_EQ(fired, 0);
}

} // namespace
