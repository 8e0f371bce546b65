#pragma once

#include "Platform/Dispatch/Queue.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace dispatch::detail {

// The serial queue of the main thread. Blocks wait here until the main thread drains them,
// either from Qt's event loop (through the installed wake-up) or from RunLoop.
class MainQueue final : public Queue {
public:
    static MainQueue& instance();

    MainQueue();

    bool isSerial() const override { return true; }
    void async(Block block) override;
    void sync(const Block& block) override;

    // Main thread only. Runs the oldest pending block; false when there was none.
    bool runOne();
    // Main thread only. Waits until a block is pending or `deadline` passes (real time).
    bool waitForWork(std::chrono::steady_clock::time_point deadline);

    void setWakeup(std::function<void()> wakeup);
    // Main thread only. Runs up to `maxBlocks`; when some remain, wakes the loop again.
    bool drainForEventLoop(long maxBlocks);

private:
    std::mutex mutex_;
    std::condition_variable pending_;
    std::deque<Block> blocks_;
    std::function<void()> wakeup_;
    bool wakePosted_ = false;
};

} // namespace dispatch::detail
