#include "Platform/Graphics/FullDecodeGate.h"

#include "Platform/Dispatch/Queue.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <utility>

namespace graphics {

namespace {

struct GateState {
    std::mutex mutex;
    std::condition_variable placeFreed;
    int running = 0;
    std::shared_ptr<const std::function<void(FullDecodeGate::Event)>> hook;
};

GateState& gate()
{
    // Never destroyed: a decode on a worker thread may still end while the process exits.
    static auto* state = new GateState;
    return *state;
}

void notify(const std::shared_ptr<const std::function<void(FullDecodeGate::Event)>>& hook,
    FullDecodeGate::Event event)
{
    if (hook)
        (*hook)(event);
}

} // namespace

FullDecodeGate::Hold::Hold(Hold&& other) noexcept
    : counted_(std::exchange(other.counted_, false))
{
}

FullDecodeGate::Hold& FullDecodeGate::Hold::operator=(Hold&& other) noexcept
{
    if (this != &other) {
        release();
        counted_ = std::exchange(other.counted_, false);
    }
    return *this;
}

FullDecodeGate::Hold::~Hold()
{
    release();
}

void FullDecodeGate::Hold::release()
{
    if (!std::exchange(counted_, false))
        return;
    GateState& state = gate();
    {
        std::lock_guard lock(state.mutex);
        --state.running;
    }
    state.placeFreed.notify_one();
}

bool FullDecodeGate::counts(std::int64_t width, std::int64_t height)
{
    return width > 0 && height > 0 && width * height > pixelThreshold;
}

FullDecodeGate::Hold FullDecodeGate::hold(std::int64_t width, std::int64_t height)
{
    if (!counts(width, height))
        return Hold(false);
    GateState& state = gate();
    std::unique_lock lock(state.mutex);
    auto hook = state.hook;
    // A block the main thread runs through sync() on a busy queue runs on a worker while the main
    // thread waits for it: it counts as the main thread's.
    const bool forMainThread = dispatch::isMainThread() || dispatch::mainQueue().isCurrent();
    if (state.running >= capacity && !forMainThread) {
        lock.unlock();
        notify(hook, Event::Waiting);
        lock.lock();
        state.placeFreed.wait(lock, [&] { return state.running < capacity; });
        hook = state.hook;
    }
    ++state.running;
    lock.unlock();
    Hold place(true);
    notify(hook, Event::Holding);
    return place;
}

int FullDecodeGate::running()
{
    GateState& state = gate();
    std::lock_guard lock(state.mutex);
    return state.running;
}

void FullDecodeGate::setTestHook(std::function<void(Event)> hook)
{
    GateState& state = gate();
    std::lock_guard lock(state.mutex);
    state.hook = hook ? std::make_shared<const std::function<void(Event)>>(std::move(hook)) : nullptr;
}

} // namespace graphics
