#pragma once

#include <functional>
#include <memory>

namespace dispatch {
class TimerSource;
}

// A count-down in whole seconds: the core of every button that must wait (resend an SMS code,
// agree to the user agreement) and of the store's order page.
//
// start(n) counts n, n-1, ..., 1, one value a second starting at once, each handed to `onTick`;
// n seconds after the start `onEnd` runs. A count of 0 or less ends at once (the first tick).
// The count itself lives on a serial queue of its own labelled "com.corvane.KXCountDown" (a new
// queue for each start) with a timer source that fires at once and then every second; the
// callbacks run on the main queue, each tick carrying the value it shows.
//
// The owner holds the count (as a member, say); the timer holds it weakly. Destroying the count
// or calling cancel() stops it: no callback of that count runs afterwards, also none already
// waiting on the main queue. start() while counting replaces the running count the same way, so
// one count never runs twice on one owner.
//
// Main thread only (start, cancel, destruction and the callbacks).
class KXCountDown {
public:
    using Tick = std::function<void(long long count)>;
    using End = std::function<void()>;

    static constexpr const char* kQueueLabel = "com.corvane.KXCountDown";

    KXCountDown();
    ~KXCountDown();
    KXCountDown(const KXCountDown&) = delete;
    KXCountDown& operator=(const KXCountDown&) = delete;

    void start(long long seconds, Tick onTick, End onEnd);
    void cancel();
    // From start() until the end callback has run or the count was cancelled.
    bool isCounting() const;

private:
    struct Run;
    std::shared_ptr<Run> run_;
    std::shared_ptr<dispatch::TimerSource> timer_;
};
