#pragma once

#include <functional>

namespace dispatch {

// Drains the main queue on the main thread when Qt's event loop does not (tests, tools).
// Call only on the main thread.
class RunLoop {
public:
    // Runs main-queue blocks until `predicate` is true (checked before waiting and after each
    // block) or `timeoutSeconds` of real time pass. Returns the last value of `predicate`. The
    // timeout is always real time: it bounds a test that would otherwise hang; virtual time
    // moves only by VirtualClock::advance.
    static bool runUntil(const std::function<bool()>& predicate, double timeoutSeconds);

    // Runs main-queue blocks for `seconds` on the installed clock. On a virtual clock this
    // advances the clock by `seconds` (firing what falls due) and returns without waiting.
    static void runFor(double seconds);

    // Runs the main-queue blocks that are queued now, and those they queue, until it is empty.
    // Returns the number of blocks run.
    static long drain();
};

} // namespace dispatch
