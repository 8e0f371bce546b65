#pragma once

#include "Platform/Dispatch/Queue.h"

#include <QObject>
#include <QPointer>

#include <type_traits>
#include <utility>

namespace dispatch {

// The QObject counterparts of guarded(): the owner is watched through a QPointer and checked
// when the callback runs. A QObject may only be checked on its own thread, so the queued form
// (the usual one for widgets) posts to the main queue and checks there; the direct form is for
// callers already on the owner's thread.
template <typename Owner, typename Fn>
auto guardedQt(Owner* owner, Fn fn)
{
    static_assert(std::is_base_of_v<QObject, Owner>);
    return [ptr = QPointer<Owner>(owner), fn = std::move(fn)](auto&&... args) {
        if (ptr)
            fn(*ptr, std::forward<decltype(args)>(args)...);
    };
}

template <typename Owner, typename Fn>
auto guardedOnMain(Owner* owner, Fn fn)
{
    static_assert(std::is_base_of_v<QObject, Owner>);
    return [ptr = QPointer<Owner>(owner), fn = std::move(fn)](auto... args) {
        mainQueue().async([ptr, fn, args...]() mutable {
            if (ptr)
                fn(*ptr, std::move(args)...);
        });
    };
}

} // namespace dispatch
