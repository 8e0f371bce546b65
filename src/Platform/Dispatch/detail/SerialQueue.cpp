#include "Platform/Dispatch/detail/SerialQueue.h"

#include "Platform/Dispatch/detail/QueueStack.h"
#include "Platform/Dispatch/detail/SyncWaiter.h"
#include "Platform/Dispatch/detail/ThreadPool.h"

namespace dispatch::detail {

namespace {
// Batches a drainer takes before it hands its thread back to the pool, so one busy serial queue
// cannot keep a worker forever while other work waits.
constexpr int kBatchesPerTurn = 64;
} // namespace

SerialQueue::SerialQueue(std::string label, Priority priority)
    : Queue(std::move(label)), priority_(priority)
{
}

void SerialQueue::async(Block block)
{
    bool start = false;
    {
        std::lock_guard lock(mutex_);
        blocks_.push_back(std::move(block));
        if (!active_) {
            active_ = true;
            start = true;
        }
    }
    if (start)
        submitDrain();
}

void SerialQueue::submitDrain()
{
    ThreadPool::instance().submit(
        priority_, [self = std::static_pointer_cast<SerialQueue>(shared_from_this())] { self->drain(); });
}

void SerialQueue::drain()
{
    QueueStack::Enter enter(this);
    std::deque<Block> batch;
    for (int turn = 0; turn < kBatchesPerTurn; ++turn) {
        {
            std::lock_guard lock(mutex_);
            if (blocks_.empty()) {
                active_ = false;
                return;
            }
            batch.swap(blocks_);
        }
        while (!batch.empty()) {
            Block block = std::move(batch.front());
            batch.pop_front();
            block();
        }
    }
    submitDrain();
}

void SerialQueue::sync(const Block& block)
{
    if (QueueStack::contains(this))
        throw ProgrammingError("sync on serial queue \"" + label()
                               + "\" from a block running on it would deadlock");
    bool runInline = false;
    {
        std::lock_guard lock(mutex_);
        if (!active_) {
            active_ = true;
            runInline = true;
        }
    }
    if (!runInline) {
        SyncWaiter::run(*this, block);
        return;
    }
    // The queue is idle: the caller becomes its drainer for this one block.
    try {
        QueueStack::Enter enter(this);
        block();
    } catch (...) {
        releaseAfterInlineSync();
        throw;
    }
    releaseAfterInlineSync();
}

void SerialQueue::releaseAfterInlineSync()
{
    {
        std::lock_guard lock(mutex_);
        if (blocks_.empty()) {
            active_ = false;
            return;
        }
    }
    submitDrain();
}

} // namespace dispatch::detail
