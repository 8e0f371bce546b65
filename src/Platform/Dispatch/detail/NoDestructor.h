#pragma once

#include <new>
#include <utility>

namespace dispatch::detail {

// Holds a process-wide object that is never destroyed. The pool, the main queue and the timer
// scheduler are used by worker threads that may still run while static destructors do; keeping
// them alive until the process ends avoids use-after-destruction at exit.
template <typename T>
class NoDestructor {
public:
    template <typename... Args>
    explicit NoDestructor(Args&&... args)
    {
        ::new (storage_) T(std::forward<Args>(args)...);
    }
    NoDestructor(const NoDestructor&) = delete;
    NoDestructor& operator=(const NoDestructor&) = delete;

    T& get() { return *std::launder(reinterpret_cast<T*>(storage_)); }
    T* operator->() { return &get(); }

private:
    alignas(T) unsigned char storage_[sizeof(T)];
};

} // namespace dispatch::detail
