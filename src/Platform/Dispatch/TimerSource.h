#pragma once

#include "Platform/Dispatch/Queue.h"

#include <memory>

namespace dispatch {

// A one-shot or repeating timer whose handler runs on a queue.
//
// The first firing is `delaySeconds` after start(), later ones every `intervalSeconds` after the
// previous deadline (0 = one-shot). A firing is skipped while the previous handler has not yet
// run, so a slow queue gets one call, not a backlog. Deadlines use the installed clock.
//
// The timer is idle until start(). cancel() stops further firings: after cancel() returns, the
// handler is not started again (a handler already running finishes). Dropping the last
// reference cancels too. Thread-safe.
class TimerSource : public std::enable_shared_from_this<TimerSource> {
public:
    static std::shared_ptr<TimerSource> create(QueueRef queue, double delaySeconds,
                                               double intervalSeconds, Block handler);
    ~TimerSource();
    TimerSource(const TimerSource&) = delete;
    TimerSource& operator=(const TimerSource&) = delete;

    void start();
    void cancel();
    bool isCancelled() const;
    // Number of times the handler has run.
    long fireCount() const;

private:
    struct State;
    explicit TimerSource(std::shared_ptr<State> state);
    std::shared_ptr<State> state_;
};

} // namespace dispatch
