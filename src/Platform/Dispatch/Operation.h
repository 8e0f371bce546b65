#pragma once

#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/Subscription.h"
#include "Platform/Dispatch/detail/ObserverList.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace dispatch {

class OperationQueue;

enum class QueuePriority : int { VeryLow = -8, Low = -4, Normal = 0, High = 4, VeryHigh = 8 };

// A unit of work with a life cycle: waiting -> executing -> finished, plus a cancelled flag.
//
// Subclasses override main(). A synchronous operation is finished when main() returns; an
// asynchronous one (isAsynchronous() true) stays executing until finish() is called, from any
// thread, after main() started it. An operation is ready when every dependency has finished, or
// once it is cancelled: a cancelled operation is still started, and then finishes at once
// without running main(). Cancelling an executing operation only sets the flag; main() decides.
//
// Change callbacks (the keys "isReady", "isExecuting", "isFinished", "isCancelled") run on the
// thread that made the change, after it. The completion block runs once, on the finishing
// thread, after "isFinished". Create operations with std::make_shared. Thread-safe.
class Operation : public std::enable_shared_from_this<Operation> {
public:
    Operation() = default;
    virtual ~Operation() = default;
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

    bool isReady() const;
    bool isExecuting() const;
    bool isFinished() const;
    bool isCancelled() const;
    virtual bool isAsynchronous() const { return false; }

    void cancel();
    // Runs the operation on the calling thread. Starting an operation twice, or one that is not
    // ready, is a programming error.
    void start();
    // Marks an asynchronous operation finished; ignored when it is not executing.
    void finish();
    // Blocks until finished. Called from the operation's own main() it throws ProgrammingError.
    void waitUntilFinished();

    void addDependency(const std::shared_ptr<Operation>& operation);
    void removeDependency(const std::shared_ptr<Operation>& operation);
    std::vector<std::shared_ptr<Operation>> dependencies() const;

    QueuePriority queuePriority() const;
    void setQueuePriority(QueuePriority priority);
    std::string name() const;
    void setName(std::string name);
    Block completionBlock() const;
    void setCompletionBlock(Block block);

    using ChangeObserver = std::function<void(Operation&, const std::string& key)>;
    Subscription observeChanges(ChangeObserver observer);

protected:
    virtual void main() {}

private:
    friend class OperationQueue;

    // Marks the operation started if it is ready, in one step with the readiness check, so a
    // dependency added at the same moment either counts or is ignored, never half of each.
    bool claim(bool& alreadyStarted);
    void runClaimed();
    void markFinished();
    void dependencyFinished();
    void notifyChange(const std::string& key);
    // Set by the queue the operation is added to; it is asked to look again when readiness
    // changes or the operation finishes. Until then the operation keeps its queue alive, so
    // work added to a queue is not lost when its creator lets go of the queue.
    bool attachToQueue(const std::shared_ptr<OperationQueue>& queue);
    std::shared_ptr<OperationQueue> queue() const;

    mutable std::mutex mutex_;
    std::condition_variable finishedChanged_;
    bool started_ = false;
    bool executing_ = false;
    bool finished_ = false;
    bool cancelled_ = false;
    QueuePriority priority_ = QueuePriority::Normal;
    std::string name_;
    Block completion_;
    std::vector<std::shared_ptr<Operation>> dependencies_;
    std::vector<std::weak_ptr<Operation>> dependents_;
    std::shared_ptr<OperationQueue> queue_;
    bool inQueue_ = false;
    detail::ObserverList<ChangeObserver> observers_;
};

using OperationRef = std::shared_ptr<Operation>;

// An operation that runs one or more blocks, in the order they were added, on one thread.
class BlockOperation : public Operation {
public:
    static std::shared_ptr<BlockOperation> create(Block block);

    // Adding blocks after the operation started is a programming error.
    void addExecutionBlock(Block block);
    std::vector<Block> executionBlocks() const;

protected:
    void main() override;

private:
    mutable std::mutex blocksMutex_;
    std::vector<Block> blocks_;
};

} // namespace dispatch
