#pragma once

#include <functional>

namespace dispatch {

// The hook by which an event loop drives the main queue.
//
// The installed wake-up is called (from any thread) when the main queue goes from "nothing
// pending" to "work pending"; the event loop then calls drainMainQueue() on the main thread.
// Without a wake-up, RunLoop drains the queue.
class MainQueueDriver {
public:
    // Installs `wakeup` (empty function: back to RunLoop). If work is pending, `wakeup` is called
    // at once.
    static void setWakeup(std::function<void()> wakeup);

    // Runs up to `maxBlocks` pending main-queue blocks on the calling (main) thread; returns true
    // when more are still pending, in which case the wake-up has been called again.
    static bool drainMainQueue(long maxBlocks);
};

} // namespace dispatch
