#pragma once

#include "Platform/Dispatch/Queue.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

namespace dispatch::detail {

// The elastic pool behind the global queues and the serial queues. A task runs as soon as a
// worker is free; when every worker is busy (some may be sleeping or waiting) a new worker is
// started, up to a generous cap, so blocking tasks cannot starve the others. Workers idle for a
// while exit. Higher priorities are taken first; FIFO within one priority.
class ThreadPool {
public:
    static ThreadPool& instance();

    void submit(Priority priority, Block task);

    // Counters for tests and diagnostics.
    std::size_t threadCount();
    std::size_t idleCount();

    static constexpr std::size_t kMaxThreads = 256;

private:
    void workerMain();
    bool takeTask(Block& task);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Block> tasks_[4];
    std::size_t pending_ = 0;
    std::size_t threads_ = 0;
    std::size_t idle_ = 0;
};

} // namespace dispatch::detail
