#pragma once

#include "Platform/Dispatch/Queue.h"

#include <functional>
#include <memory>
#include <utility>

namespace dispatch {

// Callbacks that must not outlive their owner. The owner is held weakly and checked at the
// moment the callback runs, on the thread (queue) that runs it: if the owner is gone by then,
// the call is dropped. `fn` receives the owner as its first argument, kept alive for the call.
//
//   request(url, guarded(weak_from_this(), &mainQueue(), [](Panel& panel, Reply r) { ... }));
//
// With a queue, invoking the callback from any thread posts the call to that queue and the
// owner is checked there; arguments are copied into the posted block.
template <typename Owner, typename Fn>
auto guarded(std::weak_ptr<Owner> owner, Fn fn)
{
    return [owner = std::move(owner), fn = std::move(fn)](auto&&... args) {
        if (auto strong = owner.lock())
            fn(*strong, std::forward<decltype(args)>(args)...);
    };
}

template <typename Owner, typename Fn>
auto guarded(std::weak_ptr<Owner> owner, Queue* queue, Fn fn)
{
    return [owner = std::move(owner), queueRef = queue->shared_from_this(),
            fn = std::move(fn)](auto... args) {
        queueRef->async([owner, fn, args...]() mutable {
            if (auto strong = owner.lock())
                fn(*strong, std::move(args)...);
        });
    };
}

} // namespace dispatch
