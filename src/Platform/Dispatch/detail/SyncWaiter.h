#pragma once

#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/detail/QueueStack.h"

#include <condition_variable>
#include <exception>
#include <mutex>

namespace dispatch::detail {

// Submits a block to a queue that runs it on another thread and blocks until it has run.
// The block inherits the caller's queue stack and its exception is rethrown to the caller.
class SyncWaiter {
public:
    static void run(Queue& queue, const Block& block);
};

} // namespace dispatch::detail
