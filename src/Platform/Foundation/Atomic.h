#pragma once

#include <mutex>
#include <utility>

namespace foundation {

// The storage of one atomic property: every read hands out a copy taken under the property's own
// lock and every write replaces the value under it, so a reader on another thread never sees a
// half-written reference. Properties that must change together need one lock around all of them
// instead.
template <class T>
class Atomic {
public:
    Atomic() = default;
    explicit Atomic(T value)
        : value_(std::move(value))
    {
    }
    Atomic(const Atomic&) = delete;
    Atomic& operator=(const Atomic&) = delete;

    T get() const
    {
        std::lock_guard lock(mutex_);
        return value_;
    }
    void set(T value)
    {
        std::lock_guard lock(mutex_);
        value_ = std::move(value);
    }
    // For properties that answer a default made on first read while none is set.
    template <class Make>
    T getOrCreate(Make make)
    {
        std::lock_guard lock(mutex_);
        if (!value_)
            value_ = make();
        return value_;
    }

private:
    mutable std::mutex mutex_;
    T value_{};
};

} // namespace foundation
