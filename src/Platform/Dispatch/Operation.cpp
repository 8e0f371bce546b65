#include "Platform/Dispatch/Operation.h"

#include "Platform/Dispatch/OperationQueue.h"

#include <algorithm>

namespace dispatch {

namespace {
thread_local const Operation* tRunningOperation = nullptr;

class RunningOperation {
public:
    explicit RunningOperation(const Operation* op) : saved_(std::exchange(tRunningOperation, op)) {}
    ~RunningOperation() { tRunningOperation = saved_; }
    RunningOperation(const RunningOperation&) = delete;
    RunningOperation& operator=(const RunningOperation&) = delete;

private:
    const Operation* saved_;
};
} // namespace

bool Operation::isReady() const
{
    {
        std::lock_guard lock(mutex_);
        if (started_)
            return false;
        if (cancelled_)
            return true;
    }
    const auto deps = dependencies();
    return std::all_of(deps.begin(), deps.end(), [](const auto& d) { return d->isFinished(); });
}

bool Operation::isExecuting() const
{
    std::lock_guard lock(mutex_);
    return executing_;
}

bool Operation::isFinished() const
{
    std::lock_guard lock(mutex_);
    return finished_;
}

bool Operation::isCancelled() const
{
    std::lock_guard lock(mutex_);
    return cancelled_;
}

void Operation::cancel()
{
    bool waiting;
    {
        std::lock_guard lock(mutex_);
        if (cancelled_ || finished_)
            return;
        cancelled_ = true;
        waiting = !started_;
    }
    notifyChange("isCancelled");
    if (waiting) {
        notifyChange("isReady");
        if (auto q = queue())
            q->pump();
    }
}

bool Operation::claim(bool& alreadyStarted)
{
    for (;;) {
        const auto deps = dependencies();
        const bool depsDone = std::all_of(deps.begin(), deps.end(), [](const auto& d) { return d->isFinished(); });
        std::lock_guard lock(mutex_);
        alreadyStarted = started_;
        if (started_)
            return false;
        // A dependency added since the copy was taken may not have finished: look again.
        if (dependencies_ != deps)
            continue;
        if (!cancelled_ && !depsDone)
            return false;
        started_ = true;
        return true;
    }
}

void Operation::start()
{
    bool alreadyStarted = false;
    if (!claim(alreadyStarted))
        throw ProgrammingError("operation \"" + name() + "\" "
                               + (alreadyStarted ? "started twice" : "started before its dependencies finished"));
    runClaimed();
}

void Operation::runClaimed()
{
    bool skip;
    {
        std::lock_guard lock(mutex_);
        skip = cancelled_;
        executing_ = !skip;
    }
    if (skip) {
        markFinished();
        return;
    }
    notifyChange("isExecuting");
    {
        RunningOperation running(this);
        main();
    }
    if (!isAsynchronous())
        markFinished();
}

void Operation::finish()
{
    if (!isAsynchronous())
        return;
    {
        std::lock_guard lock(mutex_);
        if (!executing_)
            return;
    }
    markFinished();
}

void Operation::markFinished()
{
    bool wasExecuting;
    Block completion;
    std::vector<std::weak_ptr<Operation>> dependents;
    std::shared_ptr<OperationQueue> queue;
    {
        std::lock_guard lock(mutex_);
        if (finished_)
            return;
        wasExecuting = executing_;
        executing_ = false;
        finished_ = true;
        completion = std::move(completion_);
        dependents.swap(dependents_);
        queue = std::move(queue_);
        finishedChanged_.notify_all();
    }
    if (wasExecuting)
        notifyChange("isExecuting");
    notifyChange("isFinished");
    if (completion)
        completion();
    for (const auto& weak : dependents)
        if (auto dependent = weak.lock())
            dependent->dependencyFinished();
    if (queue)
        queue->operationFinished(*this);
}

void Operation::dependencyFinished()
{
    if (!isReady())
        return;
    notifyChange("isReady");
    if (auto q = queue())
        q->pump();
}

void Operation::waitUntilFinished()
{
    if (tRunningOperation == this)
        throw ProgrammingError("operation \"" + name() + "\" waits for itself");
    std::unique_lock lock(mutex_);
    finishedChanged_.wait(lock, [this] { return finished_; });
}

void Operation::addDependency(const std::shared_ptr<Operation>& operation)
{
    if (!operation || operation.get() == this)
        return;
    {
        std::lock_guard lock(operation->mutex_);
        if (!operation->finished_)
            operation->dependents_.push_back(weak_from_this());
    }
    std::lock_guard lock(mutex_);
    if (std::find(dependencies_.begin(), dependencies_.end(), operation) == dependencies_.end())
        dependencies_.push_back(operation);
}

void Operation::removeDependency(const std::shared_ptr<Operation>& operation)
{
    {
        std::lock_guard lock(mutex_);
        std::erase(dependencies_, operation);
    }
    dependencyFinished();
}

std::vector<std::shared_ptr<Operation>> Operation::dependencies() const
{
    std::lock_guard lock(mutex_);
    return dependencies_;
}

QueuePriority Operation::queuePriority() const
{
    std::lock_guard lock(mutex_);
    return priority_;
}

void Operation::setQueuePriority(QueuePriority priority)
{
    std::lock_guard lock(mutex_);
    priority_ = priority;
}

std::string Operation::name() const
{
    std::lock_guard lock(mutex_);
    return name_;
}

void Operation::setName(std::string name)
{
    std::lock_guard lock(mutex_);
    name_ = std::move(name);
}

Block Operation::completionBlock() const
{
    std::lock_guard lock(mutex_);
    return completion_;
}

void Operation::setCompletionBlock(Block block)
{
    std::lock_guard lock(mutex_);
    completion_ = std::move(block);
}

Subscription Operation::observeChanges(ChangeObserver observer)
{
    return observers_.add(std::move(observer));
}

void Operation::notifyChange(const std::string& key)
{
    observers_.notify(*this, key);
}

std::shared_ptr<OperationQueue> Operation::queue() const
{
    std::lock_guard lock(mutex_);
    return queue_;
}

bool Operation::attachToQueue(const std::shared_ptr<OperationQueue>& queue)
{
    std::lock_guard lock(mutex_);
    if (inQueue_ || started_)
        return false;
    inQueue_ = true;
    queue_ = queue;
    return true;
}

std::shared_ptr<BlockOperation> BlockOperation::create(Block block)
{
    auto operation = std::make_shared<BlockOperation>();
    if (block)
        operation->blocks_.push_back(std::move(block));
    return operation;
}

void BlockOperation::addExecutionBlock(Block block)
{
    if (isExecuting() || isFinished())
        throw ProgrammingError("execution block added to an operation that already started");
    std::lock_guard lock(blocksMutex_);
    blocks_.push_back(std::move(block));
}

std::vector<Block> BlockOperation::executionBlocks() const
{
    std::lock_guard lock(blocksMutex_);
    return blocks_;
}

void BlockOperation::main()
{
    for (const auto& block : executionBlocks())
        if (block)
            block();
}

} // namespace dispatch
