#include "Platform/Dispatch/TimerSource.h"

#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/detail/Scheduler.h"

#include <atomic>
#include <mutex>
#include <optional>

namespace dispatch {

struct TimerSource::State : std::enable_shared_from_this<State> {
    std::mutex mutex;
    QueueRef queue;
    Block handler;
    Clock::Duration delay{};
    Clock::Duration interval{};
    bool started = false;
    bool cancelled = false;
    bool handlerQueued = false;
    std::optional<detail::Scheduler::Key> pending;
    std::atomic<long> fires{0};

    // With `mutex` held.
    void arm(Clock::TimePoint deadline)
    {
        pending = detail::Scheduler::instance().schedule(
            deadline, [weak = weak_from_this(), deadline] {
                if (auto self = weak.lock())
                    self->fire(deadline);
            });
    }

    void fire(Clock::TimePoint deadline)
    {
        bool post = false;
        {
            std::lock_guard lock(mutex);
            pending.reset();
            if (cancelled)
                return;
            if (interval > Clock::Duration::zero())
                arm(deadline + interval);
            // On real time a late queue gets one call instead of a backlog; virtual time is
            // never late, and a test advancing it expects every firing.
            post = !handlerQueued || Clock::current()->isVirtual();
            if (post)
                handlerQueued = true;
        }
        if (post)
            queue->async([self = shared_from_this()] { self->runHandler(); });
    }

    void runHandler()
    {
        Block toRun;
        {
            std::lock_guard lock(mutex);
            handlerQueued = false;
            if (cancelled)
                return;
            toRun = handler;
        }
        toRun();
        fires.fetch_add(1);
    }
};

std::shared_ptr<TimerSource> TimerSource::create(QueueRef queue, double delaySeconds,
                                                 double intervalSeconds, Block handler)
{
    auto state = std::make_shared<State>();
    state->queue = std::move(queue);
    state->handler = std::move(handler);
    state->delay = Clock::seconds(delaySeconds);
    state->interval = Clock::seconds(intervalSeconds);
    return std::make_shared<TimerSource>(std::move(state));
}

TimerSource::TimerSource(std::shared_ptr<State> state) : state_(std::move(state)) {}

TimerSource::~TimerSource()
{
    cancel();
}

void TimerSource::start()
{
    std::lock_guard lock(state_->mutex);
    if (state_->started || state_->cancelled)
        return;
    state_->started = true;
    state_->arm(Clock::current()->now() + state_->delay);
}

void TimerSource::cancel()
{
    Block dropped; // released outside the lock: it may own objects whose destructors post work
    std::lock_guard lock(state_->mutex);
    if (state_->cancelled)
        return;
    state_->cancelled = true;
    if (state_->pending)
        detail::Scheduler::instance().cancel(*state_->pending);
    state_->pending.reset();
    dropped = std::move(state_->handler);
}

bool TimerSource::isCancelled() const
{
    std::lock_guard lock(state_->mutex);
    return state_->cancelled;
}

long TimerSource::fireCount() const
{
    return state_->fires.load();
}

} // namespace dispatch
