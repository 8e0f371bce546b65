#include "Platform/Dispatch/Queue.h"

#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/detail/ConcurrentQueue.h"
#include "Platform/Dispatch/detail/MainQueue.h"
#include "Platform/Dispatch/detail/NoDestructor.h"
#include "Platform/Dispatch/detail/QueueStack.h"
#include "Platform/Dispatch/detail/Scheduler.h"
#include "Platform/Dispatch/detail/SerialQueue.h"

#include <array>
#include <atomic>
#include <thread>
#include <unordered_map>

namespace dispatch {

struct Queue::SpecificSlots {
    mutable std::mutex mutex;
    std::unordered_map<const void*, void*> values;
};

namespace {

std::atomic<std::thread::id>& mainThreadId()
{
    static std::atomic<std::thread::id> id{};
    return id;
}

void recordMainThreadIfUnset()
{
    std::thread::id none{};
    mainThreadId().compare_exchange_strong(none, std::this_thread::get_id());
}

// Static initialisation runs on the process's main thread before main(), which makes that
// thread the main thread unless setMainThread() says otherwise.
[[maybe_unused]] const bool kMainThreadRecorded = (recordMainThreadIfUnset(), true);

} // namespace

Queue::Queue(std::string label) : label_(std::move(label)), specifics_(std::make_shared<SpecificSlots>()) {}

void Queue::after(double seconds, Block block)
{
    if (!(seconds > 0)) {
        async(std::move(block));
        return;
    }
    const auto deadline = Clock::current()->now() + Clock::seconds(seconds);
    detail::Scheduler::instance().schedule(
        deadline, [queue = shared_from_this(), block = std::move(block)]() mutable {
            queue->async(std::move(block));
        });
}

bool Queue::isCurrent() const
{
    return detail::QueueStack::contains(this);
}

void Queue::setSpecific(const void* key, void* value)
{
    std::lock_guard lock(specifics_->mutex);
    if (value)
        specifics_->values[key] = value;
    else
        specifics_->values.erase(key);
}

void* Queue::specific(const void* key) const
{
    std::lock_guard lock(specifics_->mutex);
    auto it = specifics_->values.find(key);
    return it == specifics_->values.end() ? nullptr : it->second;
}

void* Queue::currentSpecific(const void* key)
{
    const Queue* queue = detail::QueueStack::top();
    return queue ? queue->specific(key) : nullptr;
}

Queue* Queue::current()
{
    // The stack holds const pointers only to keep lookups read-only; the queues themselves are
    // mutable objects.
    return const_cast<Queue*>(detail::QueueStack::top());
}

Queue& mainQueue()
{
    return detail::MainQueue::instance();
}

Queue& globalQueue(Priority priority)
{
    using Globals = std::array<QueueRef, 4>;
    static detail::NoDestructor<Globals> globals(Globals{
        std::make_shared<detail::ConcurrentQueue>("global.high", Priority::High),
        std::make_shared<detail::ConcurrentQueue>("global.default", Priority::Default),
        std::make_shared<detail::ConcurrentQueue>("global.low", Priority::Low),
        std::make_shared<detail::ConcurrentQueue>("global.background", Priority::Background),
    });
    return *globals.get()[static_cast<std::size_t>(priority)];
}

QueueRef makeSerialQueue(std::string label, Priority priority)
{
    return std::make_shared<detail::SerialQueue>(std::move(label), priority);
}

QueueRef makeConcurrentQueue(std::string label, Priority priority)
{
    return std::make_shared<detail::ConcurrentQueue>(std::move(label), priority);
}

void setMainThread()
{
    mainThreadId().store(std::this_thread::get_id());
}

bool isMainThread()
{
    recordMainThreadIfUnset();
    return mainThreadId().load() == std::this_thread::get_id();
}

} // namespace dispatch
