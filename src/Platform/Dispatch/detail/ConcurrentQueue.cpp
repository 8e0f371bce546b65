#include "Platform/Dispatch/detail/ConcurrentQueue.h"

#include "Platform/Dispatch/detail/QueueStack.h"
#include "Platform/Dispatch/detail/ThreadPool.h"

namespace dispatch::detail {

ConcurrentQueue::ConcurrentQueue(std::string label, Priority priority)
    : Queue(std::move(label)), priority_(priority)
{
}

void ConcurrentQueue::async(Block block)
{
    ThreadPool::instance().submit(priority_, [self = shared_from_this(), block = std::move(block)] {
        QueueStack::Enter enter(self.get());
        block();
    });
}

void ConcurrentQueue::sync(const Block& block)
{
    // Nothing orders blocks of a concurrent queue, so the caller's thread may run it directly.
    QueueStack::Enter enter(this);
    block();
}

} // namespace dispatch::detail
