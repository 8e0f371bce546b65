#include "Platform/Dispatch/Progress.h"


namespace dispatch {

std::shared_ptr<Progress> Progress::create(std::int64_t totalUnitCount)
{
    auto progress = std::make_shared<Progress>(Private{});
    progress->total_ = totalUnitCount;
    return progress;
}

double Progress::fraction(std::int64_t completed, std::int64_t total)
{
    if (total <= 0)
        return 0.0;
    return static_cast<double>(completed) / static_cast<double>(total);
}

std::int64_t Progress::totalUnitCount() const
{
    std::lock_guard lock(mutex_);
    return total_;
}

std::int64_t Progress::completedUnitCount() const
{
    std::lock_guard lock(mutex_);
    return completed_;
}

double Progress::fractionCompleted() const
{
    std::lock_guard lock(mutex_);
    return fraction(completed_, total_);
}

bool Progress::isFinished() const
{
    std::lock_guard lock(mutex_);
    return total_ > 0 && completed_ >= total_;
}

void Progress::setTotalUnitCount(std::int64_t count)
{
    changeCounts(std::nullopt, count);
}

void Progress::setCompletedUnitCount(std::int64_t count)
{
    changeCounts(count, std::nullopt);
}

void Progress::setUnitCounts(std::int64_t completed, std::int64_t total)
{
    changeCounts(completed, total);
}

void Progress::changeCounts(std::optional<std::int64_t> completed, std::optional<std::int64_t> total)
{
    {
        std::lock_guard lock(mutex_);
        const double before = fraction(completed_, total_);
        completed_ = completed.value_or(completed_);
        total_ = total.value_or(total_);
        if (fraction(completed_, total_) == before)
            return;
    }
    observers_.notify(*this);
}

Subscription Progress::observeFractionCompleted(FractionObserver observer)
{
    return observers_.add(std::move(observer));
}

bool Progress::isCancellable() const
{
    std::lock_guard lock(mutex_);
    return cancellable_;
}

void Progress::setCancellable(bool value)
{
    std::lock_guard lock(mutex_);
    cancellable_ = value;
}

bool Progress::isPausable() const
{
    std::lock_guard lock(mutex_);
    return pausable_;
}

void Progress::setPausable(bool value)
{
    std::lock_guard lock(mutex_);
    pausable_ = value;
}

bool Progress::isCancelled() const
{
    std::lock_guard lock(mutex_);
    return cancelled_;
}

bool Progress::isPaused() const
{
    std::lock_guard lock(mutex_);
    return paused_;
}

void Progress::changeState(bool& flag, bool value, const std::function<void()>& handler)
{
    std::function<void()> toRun;
    {
        std::lock_guard lock(mutex_);
        if (flag == value)
            return;
        flag = value;
        toRun = handler;
    }
    if (toRun)
        toRun();
}

void Progress::cancel()
{
    changeState(cancelled_, true, cancellationHandler_);
}

void Progress::pause()
{
    changeState(paused_, true, pausingHandler_);
}

void Progress::resume()
{
    changeState(paused_, false, resumingHandler_);
}

void Progress::setCancellationHandler(std::function<void()> handler)
{
    bool runNow;
    {
        std::lock_guard lock(mutex_);
        cancellationHandler_ = handler;
        runNow = cancelled_ && handler;
    }
    if (runNow)
        handler();
}

void Progress::setPausingHandler(std::function<void()> handler)
{
    std::lock_guard lock(mutex_);
    pausingHandler_ = std::move(handler);
}

void Progress::setResumingHandler(std::function<void()> handler)
{
    std::lock_guard lock(mutex_);
    resumingHandler_ = std::move(handler);
}

} // namespace dispatch
