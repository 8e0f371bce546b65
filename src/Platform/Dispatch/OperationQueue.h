#pragma once

#include "Platform/Dispatch/Operation.h"
#include "Platform/Dispatch/Queue.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace dispatch {

// Runs operations on the pool (the main operation queue: on the main queue), at most
// maxConcurrentOperationCount executing at any instant (-1: no limit of its own).
//
// Among ready operations the highest queuePriority starts first, equal priorities in the order
// they were added. Changing the limit, suspending or resuming applies at once: raising the limit
// starts waiting operations immediately; lowering it lets executing operations finish but starts
// no new one until the count is below the new limit. Cancelled operations that are waiting are
// started at once, whatever the limit and even on a suspended queue, and finish without running.
// A dependency added to a waiting operation counts until the queue starts it; once started,
// later dependencies are ignored.
//
// An operation belongs to at most one queue; adding it twice, or adding one that has started,
// is a programming error. Thread-safe.
class OperationQueue : public std::enable_shared_from_this<OperationQueue> {
public:
    static constexpr long kDefaultMaxConcurrentOperationCount = -1;

    static std::shared_ptr<OperationQueue> create(std::string name = {});
    // The queue of operations that run on the main thread (limit 1).
    static OperationQueue& mainQueue();
    // The queue whose operation the calling thread runs now, or nullptr.
    static OperationQueue* currentQueue();

    void addOperation(const OperationRef& operation);
    // Wraps `block` in a BlockOperation, adds it and returns it.
    std::shared_ptr<BlockOperation> addOperation(Block block);
    void addOperations(const std::vector<OperationRef>& operations, bool waitUntilFinished);

    long maxConcurrentOperationCount() const;
    void setMaxConcurrentOperationCount(long count);
    bool isSuspended() const;
    void setSuspended(bool suspended);
    std::string name() const;
    void setName(std::string name);

    // Operations added and not yet finished, in the order they were added.
    std::vector<OperationRef> operations() const;
    std::size_t operationCount() const;

    void cancelAllOperations();
    // Blocks until every operation added so far has finished (and its completion block ran).
    void waitUntilAllOperationsAreFinished();

    // Use create().
    struct Private {};
    OperationQueue(Private, std::string name, Queue* target, long maxConcurrent);

private:
    friend class Operation;
    void pump();
    void operationFinished(Operation& operation);
    void run(const OperationRef& operation);

    mutable std::mutex mutex_;
    std::condition_variable drained_;
    std::string name_;
    Queue* target_;
    long maxConcurrent_;
    bool suspended_ = false;
    // The operations holding one of the maxConcurrentOperationCount slots.
    std::vector<const Operation*> slots_;
    std::vector<OperationRef> all_;
    std::vector<OperationRef> waiting_;
};

} // namespace dispatch
