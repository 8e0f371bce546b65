#include "Platform/Dispatch/detail/MainQueue.h"

#include "Platform/Dispatch/detail/NoDestructor.h"
#include "Platform/Dispatch/detail/QueueStack.h"
#include "Platform/Dispatch/detail/SyncWaiter.h"

#include <memory>

namespace dispatch::detail {

MainQueue& MainQueue::instance()
{
    // Owned by a shared_ptr that is never destroyed, so shared_from_this() works and blocks
    // posted by workers during process exit do not touch a destroyed queue.
    static NoDestructor<std::shared_ptr<MainQueue>> queue(std::make_shared<MainQueue>());
    return *queue.get();
}

MainQueue::MainQueue() : Queue("main") {}

void MainQueue::async(Block block)
{
    std::function<void()> wakeup;
    {
        std::lock_guard lock(mutex_);
        blocks_.push_back(std::move(block));
        if (wakeup_ && !wakePosted_) {
            wakePosted_ = true;
            wakeup = wakeup_;
        }
    }
    pending_.notify_one();
    if (wakeup)
        wakeup();
}

void MainQueue::sync(const Block& block)
{
    if (isMainThread() || QueueStack::contains(this))
        throw ProgrammingError("sync on the main queue from the main thread would deadlock");
    SyncWaiter::run(*this, block);
}

bool MainQueue::runOne()
{
    Block block;
    {
        std::lock_guard lock(mutex_);
        if (blocks_.empty())
            return false;
        block = std::move(blocks_.front());
        blocks_.pop_front();
    }
    QueueStack::Enter enter(this);
    block();
    return true;
}

bool MainQueue::waitForWork(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock lock(mutex_);
    return pending_.wait_until(lock, deadline, [this] { return !blocks_.empty(); });
}

void MainQueue::setWakeup(std::function<void()> wakeup)
{
    bool wakeNow = false;
    {
        std::lock_guard lock(mutex_);
        wakeup_ = wakeup;
        wakePosted_ = false;
        if (wakeup_ && !blocks_.empty()) {
            wakePosted_ = true;
            wakeNow = true;
        }
    }
    if (wakeNow)
        wakeup();
}

bool MainQueue::drainForEventLoop(long maxBlocks)
{
    {
        std::lock_guard lock(mutex_);
        wakePosted_ = false;
    }
    for (long i = 0; i < maxBlocks; ++i) {
        if (!runOne())
            return false;
    }
    std::function<void()> wakeup;
    {
        std::lock_guard lock(mutex_);
        if (blocks_.empty())
            return false;
        if (wakeup_ && !wakePosted_) {
            wakePosted_ = true;
            wakeup = wakeup_;
        }
    }
    if (wakeup)
        wakeup();
    return true;
}

} // namespace dispatch::detail
