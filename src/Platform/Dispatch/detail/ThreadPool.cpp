#include "Platform/Dispatch/detail/ThreadPool.h"

#include "Platform/Dispatch/detail/NoDestructor.h"

#include <chrono>
#include <thread>

namespace dispatch::detail {

namespace {
constexpr auto kIdleExit = std::chrono::seconds(20);
// A few workers stay for the life of the process so that short bursts do not create threads.
constexpr std::size_t kResidentThreads = 4;
} // namespace

ThreadPool& ThreadPool::instance()
{
    static NoDestructor<ThreadPool> pool;
    return pool.get();
}

void ThreadPool::submit(Priority priority, Block task)
{
    bool spawn = false;
    {
        std::lock_guard lock(mutex_);
        tasks_[static_cast<int>(priority)].push_back(std::move(task));
        ++pending_;
        // Every idle worker will take one task; start another thread when the queued tasks
        // outnumber them, so a pool full of sleepers still makes progress.
        if (pending_ > idle_ && threads_ < kMaxThreads) {
            ++threads_;
            spawn = true;
        }
    }
    if (spawn)
        std::thread([this] { workerMain(); }).detach();
    else
        wake_.notify_one();
}

bool ThreadPool::takeTask(Block& task)
{
    for (auto& level : tasks_) {
        if (!level.empty()) {
            task = std::move(level.front());
            level.pop_front();
            --pending_;
            return true;
        }
    }
    return false;
}

void ThreadPool::workerMain()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        Block task;
        if (takeTask(task)) {
            lock.unlock();
            task();
            task = nullptr;
            lock.lock();
            continue;
        }
        ++idle_;
        const bool woke = wake_.wait_for(lock, kIdleExit, [this] { return pending_ > 0; });
        --idle_;
        if (!woke && threads_ > kResidentThreads) {
            --threads_;
            return;
        }
    }
}

std::size_t ThreadPool::threadCount()
{
    std::lock_guard lock(mutex_);
    return threads_;
}

std::size_t ThreadPool::idleCount()
{
    std::lock_guard lock(mutex_);
    return idle_;
}

} // namespace dispatch::detail
