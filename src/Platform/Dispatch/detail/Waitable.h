#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace dispatch::detail {

// A mutex and condition variable whose waits can time out on the installed clock, so that a
// virtual clock ends them by advancing, exactly like delayed blocks.
struct Waitable : std::enable_shared_from_this<Waitable> {
    std::mutex mutex;
    std::condition_variable changed;

    // With `lock` held on `mutex`: waits until `ready()` or `timeoutSeconds` pass (negative:
    // forever). Returns ready().
    bool waitFor(std::unique_lock<std::mutex>& lock, double timeoutSeconds,
                 const std::function<bool()>& ready);
};

} // namespace dispatch::detail
