#pragma once

#include <functional>
#include <utility>

namespace dispatch {

// An RAII registration: destroying it (or calling cancel()) removes the observer it stands for.
// Move-only. An empty Subscription stands for nothing.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> remove) : remove_(std::move(remove)) {}
    ~Subscription() { cancel(); }

    Subscription(Subscription&& other) noexcept : remove_(std::exchange(other.remove_, {})) {}
    Subscription& operator=(Subscription&& other) noexcept
    {
        if (this != &other) {
            cancel();
            remove_ = std::exchange(other.remove_, {});
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

    bool isActive() const { return static_cast<bool>(remove_); }

    void cancel()
    {
        if (auto remove = std::exchange(remove_, {}))
            remove();
    }

private:
    std::function<void()> remove_;
};

} // namespace dispatch
