#pragma once

#include "Platform/Dispatch/Queue.h"

#include <memory>

namespace dispatch {

// A one-shot or repeating timer whose handler runs on a queue.
//
// The first firing is `delaySeconds` after start(), later ones every `intervalSeconds` after the
// previous deadline (0 = one-shot). On the real clock a firing is skipped while the previous
// handler is still waiting to run, so a slow queue gets one call, not a backlog; on a virtual
// clock every firing that falls due is delivered. Deadlines use the installed clock.
//
// The timer is idle until start(). After cancel() returns no firing is delivered any more: the
// handler does not start again, except one whose start raced with a cancel() from another
// thread (cancel from the timer's own serial queue is exact). cancel() releases the handler.
// Dropping the last reference cancels too. Thread-safe.
class TimerSource {
    struct State;

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

    // Use create(); State is private, so only create() can call this.
    explicit TimerSource(std::shared_ptr<State> state);

private:
    std::shared_ptr<State> state_;
};

} // namespace dispatch
