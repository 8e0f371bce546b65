#pragma once

#include "Platform/Dispatch/Subscription.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace dispatch::detail {

// Callbacks registered through RAII subscriptions and called outside any lock, in the order they
// were added. One removed while a notification is under way is not called any more (unless it
// is already running on another thread); one added meanwhile waits for the next notification.
// Subscriptions may outlive the list. Thread-safe.
template <typename Fn>
class ObserverList {
public:
    Subscription add(Fn fn)
    {
        auto entry = std::make_shared<Entry>(std::move(fn));
        {
            std::lock_guard lock(state_->mutex);
            state_->entries.push_back(entry);
        }
        return Subscription([weakState = std::weak_ptr<State>(state_), weakEntry = std::weak_ptr<Entry>(entry)] {
            auto state = weakState.lock();
            auto e = weakEntry.lock();
            if (!state || !e)
                return;
            e->removed = true;
            std::lock_guard lock(state->mutex);
            std::erase(state->entries, e);
        });
    }

    template <typename... Args>
    void notify(Args&&... args) const
    {
        std::vector<std::shared_ptr<Entry>> snapshot;
        {
            std::lock_guard lock(state_->mutex);
            snapshot = state_->entries;
        }
        for (const auto& entry : snapshot)
            if (!entry->removed)
                entry->fn(args...);
    }

private:
    struct Entry {
        explicit Entry(Fn f) : fn(std::move(f)) {}
        Fn fn;
        std::atomic<bool> removed{false};
    };
    struct State {
        std::mutex mutex;
        std::vector<std::shared_ptr<Entry>> entries;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace dispatch::detail
