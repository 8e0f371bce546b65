#include "Platform/Dispatch/MainQueueDriver.h"

#include "Platform/Dispatch/detail/MainQueue.h"

namespace dispatch {

void MainQueueDriver::setWakeup(std::function<void()> wakeup)
{
    detail::MainQueue::instance().setWakeup(std::move(wakeup));
}

bool MainQueueDriver::drainMainQueue(long maxBlocks)
{
    return detail::MainQueue::instance().drainForEventLoop(maxBlocks);
}

} // namespace dispatch
