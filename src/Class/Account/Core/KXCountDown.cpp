#include "Class/Account/Core/KXCountDown.h"

#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/TimerSource.h"


// What the queue's handler and the main-queue callbacks of one count share. `live` is read and
// cleared on the main thread only; `remaining` is touched on the count's queue only.
struct KXCountDown::Run {
    bool live = true;
    long long remaining = 0;
    Tick onTick;
    End onEnd;
    std::weak_ptr<dispatch::TimerSource> timer;
};

KXCountDown::KXCountDown() = default;

KXCountDown::~KXCountDown()
{
    cancel();
}

void KXCountDown::start(long long seconds, Tick onTick, End onEnd)
{
    cancel();
    auto run = std::make_shared<Run>();
    run->remaining = seconds;
    run->onTick = std::move(onTick);
    run->onEnd = std::move(onEnd);
    run_ = run;

    // The handler holds the run weakly: once the count is dropped there is nothing to count for.
    std::weak_ptr<Run> weak = run;
    timer_ = dispatch::TimerSource::create(dispatch::makeSerialQueue(kQueueLabel), 0, 1, [weak] {
        auto state = weak.lock();
        if (!state)
            return;
        if (state->remaining < 1) {
            if (auto timer = state->timer.lock())
                timer->cancel();
            dispatch::mainQueue().async([weak] {
                auto ended = weak.lock();
                if (!ended || !ended->live)
                    return;
                ended->live = false;
                if (ended->onEnd)
                    ended->onEnd();
            });
            return;
        }
        const long long shown = state->remaining--;
        dispatch::mainQueue().async([weak, shown] {
            auto ticking = weak.lock();
            if (ticking && ticking->live && ticking->onTick)
                ticking->onTick(shown);
        });
    });
    run->timer = timer_;
    timer_->start();
}

void KXCountDown::cancel()
{
    if (run_)
        run_->live = false;
    if (timer_)
        timer_->cancel();
    run_.reset();
    timer_.reset();
}

bool KXCountDown::isCounting() const
{
    return run_ && run_->live;
}
