#pragma once

#include "Platform/Dispatch/Subscription.h"
#include "Platform/Dispatch/detail/ObserverList.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace dispatch {

// Progress of one piece of work: unit counts, cancellation and pausing.
//
// fractionCompleted() is completed/total, and 0 whenever total is 0 or less (unknown size).
// Fraction observers are called on the thread that changed a count, after the change, and only
// when the fraction actually changed. Handlers run on the thread that calls cancel(), pause()
// or resume(); a cancellation handler set after cancel() runs at once. As on the platform,
// `cancellable` and `pausable` describe the work for a user interface; cancel() and pause() act
// whatever their value. Thread-safe.
class Progress : public std::enable_shared_from_this<Progress> {
public:
    static std::shared_ptr<Progress> create(std::int64_t totalUnitCount = -1);

    std::int64_t totalUnitCount() const;
    void setTotalUnitCount(std::int64_t count);
    std::int64_t completedUnitCount() const;
    void setCompletedUnitCount(std::int64_t count);
    // Both counts in one step, so observers never see a mix of old and new.
    void setUnitCounts(std::int64_t completed, std::int64_t total);
    double fractionCompleted() const;
    // Completed at least total, with a known total.
    bool isFinished() const;

    bool isCancellable() const;
    void setCancellable(bool value);
    bool isPausable() const;
    void setPausable(bool value);
    bool isCancelled() const;
    bool isPaused() const;

    void cancel();
    void pause();
    void resume();
    void setCancellationHandler(std::function<void()> handler);
    void setPausingHandler(std::function<void()> handler);
    void setResumingHandler(std::function<void()> handler);

    using FractionObserver = std::function<void(Progress&)>;
    Subscription observeFractionCompleted(FractionObserver observer);

    // Use create().
    struct Private {};
    explicit Progress(Private) {}

private:
    static double fraction(std::int64_t completed, std::int64_t total);
    void changeCounts(std::optional<std::int64_t> completed, std::optional<std::int64_t> total);
    // Sets `flag` to `value` under the lock and, when that changed it, runs a copy of `handler`
    // after the lock is released, so a handler may call back into this progress.
    void changeState(bool& flag, bool value, const std::function<void()>& handler);

    mutable std::mutex mutex_;
    std::int64_t total_ = -1;
    std::int64_t completed_ = 0;
    bool cancellable_ = true;
    bool pausable_ = false;
    bool cancelled_ = false;
    bool paused_ = false;
    std::function<void()> cancellationHandler_;
    std::function<void()> pausingHandler_;
    std::function<void()> resumingHandler_;
    detail::ObserverList<FractionObserver> observers_;
};

} // namespace dispatch
