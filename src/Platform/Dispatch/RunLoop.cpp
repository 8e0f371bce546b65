#include "Platform/Dispatch/RunLoop.h"

#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/detail/MainQueue.h"

#include <algorithm>
#include <chrono>

namespace dispatch {

namespace {

void requireMainThread(const char* what)
{
    if (!isMainThread())
        throw ProgrammingError(std::string("RunLoop::") + what + " called off the main thread");
}

// A predicate may turn true through work on other threads that posts nothing to the main
// queue, so the wait for main-queue work is cut into slices after which it is checked again.
constexpr auto kRecheckSlice = std::chrono::milliseconds(1);

} // namespace

bool RunLoop::runUntil(const std::function<bool()>& predicate, double timeoutSeconds)
{
    requireMainThread("runUntil");
    auto& queue = detail::MainQueue::instance();
    const auto deadline = std::chrono::steady_clock::now() + Clock::seconds(timeoutSeconds);
    for (;;) {
        if (predicate())
            return true;
        if (queue.runOne())
            continue;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return predicate();
        queue.waitForWork(std::min(deadline, now + kRecheckSlice));
    }
}

void RunLoop::runFor(double seconds)
{
    requireMainThread("runFor");
    const auto clock = Clock::current();
    if (clock->isVirtual()) {
        // advance() drains the main queue between the steps because we are on the main thread.
        std::static_pointer_cast<VirtualClock>(clock)->advance(seconds);
        return;
    }
    auto& queue = detail::MainQueue::instance();
    const auto deadline = std::chrono::steady_clock::now() + Clock::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!queue.runOne())
            queue.waitForWork(deadline);
    }
}

long RunLoop::drain()
{
    requireMainThread("drain");
    long count = 0;
    auto& queue = detail::MainQueue::instance();
    while (queue.runOne())
        ++count;
    return count;
}

} // namespace dispatch
