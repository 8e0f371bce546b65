#include "Platform/Dispatch/OperationQueue.h"

#include "Platform/Dispatch/detail/NoDestructor.h"

#include <algorithm>
#include <utility>

namespace dispatch {

namespace {
thread_local OperationQueue* tCurrentQueue = nullptr;
}

OperationQueue::OperationQueue(Private, std::string name, Queue* target, long maxConcurrent)
    : name_(std::move(name)), target_(target), maxConcurrent_(maxConcurrent)
{
}

std::shared_ptr<OperationQueue> OperationQueue::create(std::string name)
{
    return std::make_shared<OperationQueue>(Private{}, std::move(name), &globalQueue(),
                                            kDefaultMaxConcurrentOperationCount);
}

OperationQueue& OperationQueue::mainQueue()
{
    static detail::NoDestructor<std::shared_ptr<OperationQueue>> queue(
        std::make_shared<OperationQueue>(Private{}, "main", &dispatch::mainQueue(), 1));
    return *queue.get();
}

OperationQueue* OperationQueue::currentQueue()
{
    return tCurrentQueue;
}

void OperationQueue::addOperation(const OperationRef& operation)
{
    if (!operation)
        return;
    if (!operation->attachToQueue(shared_from_this()))
        throw ProgrammingError("operation \"" + operation->name()
                               + "\" is already in a queue or has started");
    {
        std::lock_guard lock(mutex_);
        all_.push_back(operation);
        waiting_.push_back(operation);
    }
    pump();
}

std::shared_ptr<BlockOperation> OperationQueue::addOperation(Block block)
{
    auto operation = BlockOperation::create(std::move(block));
    addOperation(operation);
    return operation;
}

void OperationQueue::addOperations(const std::vector<OperationRef>& operations, bool waitUntilFinished)
{
    for (const auto& operation : operations)
        addOperation(operation);
    if (waitUntilFinished)
        for (const auto& operation : operations)
            operation->waitUntilFinished();
}

void OperationQueue::pump()
{
    std::vector<OperationRef> toStart;
    {
        std::lock_guard lock(mutex_);
        // Cancelled waiting operations only need to be marked finished; they take no slot.
        for (auto it = waiting_.begin(); it != waiting_.end();) {
            if (!(*it)->isCancelled()) {
                ++it;
                continue;
            }
            // A cancelled operation can only fail to be claimed when it was started by hand.
            bool alreadyStarted = false;
            if ((*it)->claim(alreadyStarted))
                toStart.push_back(*it);
            it = waiting_.erase(it);
        }
        while (!suspended_ && (maxConcurrent_ < 0 || static_cast<long>(slots_.size()) < maxConcurrent_)) {
            auto best = waiting_.end();
            for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
                if (!(*it)->isReady())
                    continue;
                if (best == waiting_.end() || (*it)->queuePriority() > (*best)->queuePriority())
                    best = it;
            }
            if (best == waiting_.end())
                break;
            bool alreadyStarted = false;
            if (!(*best)->claim(alreadyStarted)) {
                if (alreadyStarted) // started by hand meanwhile: it no longer waits here
                    waiting_.erase(best);
                continue; // a dependency arrived at the last moment
            }
            toStart.push_back(*best);
            slots_.push_back(best->get());
            waiting_.erase(best);
        }
    }
    for (const auto& operation : toStart)
        run(operation);
}

void OperationQueue::run(const OperationRef& operation)
{
    target_->async([self = shared_from_this(), operation] {
        OperationQueue* saved = std::exchange(tCurrentQueue, self.get());
        operation->runClaimed();
        tCurrentQueue = saved;
    });
}

void OperationQueue::operationFinished(Operation& operation)
{
    {
        std::lock_guard lock(mutex_);
        std::erase(slots_, &operation);
        // Started by hand while it waited here.
        std::erase_if(waiting_, [&](const OperationRef& o) { return o.get() == &operation; });
        std::erase_if(all_, [&](const OperationRef& o) { return o.get() == &operation; });
        if (all_.empty())
            drained_.notify_all();
    }
    pump();
}

long OperationQueue::maxConcurrentOperationCount() const
{
    std::lock_guard lock(mutex_);
    return maxConcurrent_;
}

void OperationQueue::setMaxConcurrentOperationCount(long count)
{
    {
        std::lock_guard lock(mutex_);
        maxConcurrent_ = count < 0 ? kDefaultMaxConcurrentOperationCount : count;
    }
    pump();
}

bool OperationQueue::isSuspended() const
{
    std::lock_guard lock(mutex_);
    return suspended_;
}

void OperationQueue::setSuspended(bool suspended)
{
    {
        std::lock_guard lock(mutex_);
        suspended_ = suspended;
    }
    pump();
}

std::string OperationQueue::name() const
{
    std::lock_guard lock(mutex_);
    return name_;
}

void OperationQueue::setName(std::string name)
{
    std::lock_guard lock(mutex_);
    name_ = std::move(name);
}

std::vector<OperationRef> OperationQueue::operations() const
{
    std::lock_guard lock(mutex_);
    return all_;
}

std::size_t OperationQueue::operationCount() const
{
    std::lock_guard lock(mutex_);
    return all_.size();
}

void OperationQueue::cancelAllOperations()
{
    for (const auto& operation : operations())
        operation->cancel();
}

void OperationQueue::waitUntilAllOperationsAreFinished()
{
    std::unique_lock lock(mutex_);
    drained_.wait(lock, [this] { return all_.empty(); });
}

} // namespace dispatch
