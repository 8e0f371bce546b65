#include "Platform/Dispatch/Clock.h"

#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Dispatch/Semaphore.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/detail/NoDestructor.h"
#include "Platform/Dispatch/detail/Scheduler.h"

#include <cmath>
#include <thread>

namespace dispatch {

namespace {

struct ClockHolder {
    std::mutex mutex;
    std::shared_ptr<Clock> clock = std::make_shared<RealClock>();
};

ClockHolder& holder()
{
    static detail::NoDestructor<ClockHolder> instance;
    return instance.get();
}

} // namespace

std::shared_ptr<Clock> Clock::current()
{
    auto& h = holder();
    std::lock_guard lock(h.mutex);
    return h.clock;
}

void Clock::install(std::shared_ptr<Clock> clock)
{
    if (!clock)
        clock = std::make_shared<RealClock>();
    {
        auto& h = holder();
        std::lock_guard lock(h.mutex);
        h.clock = std::move(clock);
    }
    detail::Scheduler::instance().clockChanged();
}

Clock::Duration Clock::seconds(double s)
{
    if (!(s > 0))
        return Duration::zero();
    // Clamp absurd delays so the addition to a time point cannot overflow.
    constexpr double kMaxSeconds = 100.0 * 365 * 24 * 3600;
    const auto d = std::chrono::duration<double>(std::fmin(s, kMaxSeconds));
    return std::chrono::duration_cast<Duration>(d);
}

Clock::TimePoint RealClock::now() const
{
    return std::chrono::steady_clock::now();
}

double RealClock::secondsSince1970() const
{
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(since).count();
}

void Clock::sleep(double seconds)
{
    if (!(seconds > 0))
        return;
    const auto clock = current();
    if (!clock->isVirtual()) {
        std::this_thread::sleep_for(Clock::seconds(seconds));
        return;
    }
    auto& virtualClock = static_cast<VirtualClock&>(*clock);
    if (virtualClock.sleepAdvancesTime()) {
        virtualClock.advanceBy(seconds, false);
        return;
    }
    // Nobody signals it: the wait ends when virtual time passes its deadline.
    Semaphore(0).wait(seconds);
}

VirtualClock::VirtualClock(double wallStart) : origin_(std::chrono::steady_clock::now()), wallStart_(wallStart) {}

Clock::TimePoint VirtualClock::now() const
{
    std::lock_guard lock(mutex_);
    return origin_ + elapsed_;
}

double VirtualClock::secondsSince1970() const
{
    std::lock_guard lock(mutex_);
    return wallStart_ + std::chrono::duration<double>(elapsed_).count();
}

void VirtualClock::setNow(TimePoint t)
{
    std::lock_guard lock(mutex_);
    if (t > origin_ + elapsed_)
        elapsed_ = t - origin_;
}

void VirtualClock::setSleepAdvancesTime(bool value)
{
    std::lock_guard lock(mutex_);
    sleepAdvancesTime_ = value;
}

bool VirtualClock::sleepAdvancesTime() const
{
    std::lock_guard lock(mutex_);
    return sleepAdvancesTime_;
}

void VirtualClock::advance(double seconds)
{
    advanceBy(seconds, isMainThread());
}

std::size_t VirtualClock::pendingCount() const
{
    return detail::Scheduler::instance().pendingCount(this);
}

void VirtualClock::advanceBy(double seconds, bool onMain)
{
    const auto target = now() + Clock::seconds(seconds);
    auto& scheduler = detail::Scheduler::instance();
    if (onMain)
        RunLoop::drain();
    while (auto due = scheduler.popNextDue(target)) {
        setNow(due->first);
        due->second();
        due->second = nullptr;
        if (onMain)
            RunLoop::drain();
    }
    setNow(target);
    if (onMain)
        RunLoop::drain();
}

VirtualClock::Scope::Scope() : clock_(std::make_shared<VirtualClock>())
{
    Clock::install(clock_);
}

VirtualClock::Scope::~Scope()
{
    Clock::install(nullptr);
    detail::Scheduler::instance().dropEntriesOf(clock_.get());
}

} // namespace dispatch
