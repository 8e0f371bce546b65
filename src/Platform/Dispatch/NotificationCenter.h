#pragma once

#include "Platform/Dispatch/Notification.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/Subscription.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace dispatch {

// Delivers notifications to observers registered by name and, optionally, sender identity.
//
// post() is synchronous: observers without a queue run on the posting thread before post()
// returns, in the order they were added. An observer with a queue runs there; when the posting
// thread already runs that queue it runs at once, otherwise it is submitted (post() does not
// wait for it). The sender filter compares identity and does not keep the sender alive.
//
// Observers may be added or removed from any thread, also from inside an observer while a post
// is under way: one added during a post gets the next post, one removed is not called any more
// (also not when its delivery is still waiting on its queue), except for a call already running
// on another thread. Thread-safe.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();
    NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // Block observer; an empty name matches every name, a nil object every sender. The
    // registration lasts as long as the returned token.
    [[nodiscard]] Subscription addObserver(std::string name, const foundation::Id& object, Queue* queue,
                                           Handler handler);

    // Target observer: `target` is held weakly and its method is called on the posting thread;
    // the registration ends by removeObserver(target...) or when the target is gone.
    template <typename T>
    void addObserver(const std::shared_ptr<T>& target, void (T::*method)(const Notification&),
                     std::string name, const foundation::Id& object = {})
    {
        std::weak_ptr<T> weak = target;
        add(target.get(), std::move(name), object, nullptr, [weak, method](const Notification& n) {
            if (auto strong = weak.lock())
                (strong.get()->*method)(n);
        }, [weak] { return weak.expired(); });
    }
    // Removes every registration of `target`, or those matching `name` and `object` (empty or
    // nil: any).
    void removeObserver(const void* target);
    void removeObserver(const void* target, std::string_view name, const foundation::Id& object = {});

    void post(const Notification& notification);
    void post(std::string name, foundation::Id object = {},
              foundation::Ref<foundation::Dictionary> userInfo = nullptr);

private:
    struct Entry;
    struct Registry;
    std::shared_ptr<Entry> add(const void* target, std::string name, const foundation::Id& object,
                               Queue* queue, Handler handler, std::function<bool()> targetGone);

    // Shared with the tokens, which may outlive the centre.
    std::shared_ptr<Registry> registry_;
};

} // namespace dispatch
