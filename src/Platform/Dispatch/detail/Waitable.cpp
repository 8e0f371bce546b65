#include "Platform/Dispatch/detail/Waitable.h"

#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/detail/Scheduler.h"

namespace dispatch::detail {

bool Waitable::waitFor(std::unique_lock<std::mutex>& lock, double timeoutSeconds,
                       const std::function<bool()>& ready)
{
    if (timeoutSeconds < 0) {
        changed.wait(lock, ready);
        return true;
    }
    if (ready() || timeoutSeconds == 0)
        return ready();
    // The flag is guarded by `mutex`; the scheduler sets it when the deadline passes.
    auto expired = std::make_shared<bool>(false);
    auto& scheduler = Scheduler::instance();
    const auto deadline = Clock::current()->now() + Clock::seconds(timeoutSeconds);
    const auto key = scheduler.schedule(deadline, [weak = weak_from_this(), expired] {
        if (auto self = weak.lock()) {
            std::lock_guard guard(self->mutex);
            *expired = true;
            self->changed.notify_all();
        }
    });
    changed.wait(lock, [&] { return *expired || ready(); });
    if (!*expired)
        scheduler.cancel(key);
    return ready();
}

} // namespace dispatch::detail
