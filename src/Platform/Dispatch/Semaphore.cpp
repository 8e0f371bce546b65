#include "Platform/Dispatch/Semaphore.h"

#include "Platform/Dispatch/detail/Waitable.h"

namespace dispatch {

struct Semaphore::State : detail::Waitable {
    long count = 0;
};

Semaphore::Semaphore(long initialValue) : state_(std::make_shared<State>())
{
    state_->count = initialValue;
}

bool Semaphore::wait(double timeoutSeconds)
{
    std::unique_lock lock(state_->mutex);
    if (!state_->waitFor(lock, timeoutSeconds, [this] { return state_->count > 0; }))
        return false;
    --state_->count;
    return true;
}

void Semaphore::signal()
{
    {
        std::lock_guard lock(state_->mutex);
        ++state_->count;
    }
    state_->changed.notify_one();
}

} // namespace dispatch
