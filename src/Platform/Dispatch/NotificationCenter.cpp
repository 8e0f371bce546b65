#include "Platform/Dispatch/NotificationCenter.h"

#include "Platform/Dispatch/detail/NoDestructor.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace dispatch {

struct NotificationCenter::Entry {
    const void* target = nullptr;
    std::string name;
    // The sender filter: identity only, without keeping the sender alive.
    const foundation::Object* object = nullptr;
    std::weak_ptr<foundation::Object> objectAlive;
    QueueRef queue;
    Handler handler;
    std::function<bool()> targetGone;
    std::atomic<bool> removed{false};

    bool matches(const Notification& n) const
    {
        if (!name.empty() && name != n.name)
            return false;
        if (object && (n.object.get() != object || objectAlive.expired()))
            return false;
        return true;
    }
    bool matchesFilter(std::string_view filterName, const foundation::Object* filterObject) const
    {
        return (filterName.empty() || filterName == name) && (!filterObject || filterObject == object);
    }
};

struct NotificationCenter::Registry {
    std::mutex mutex;
    std::vector<std::shared_ptr<Entry>> entries;

    void remove(const std::shared_ptr<Entry>& entry)
    {
        entry->removed = true;
        std::lock_guard lock(mutex);
        std::erase(entries, entry);
    }
};

NotificationCenter::NotificationCenter() : registry_(std::make_shared<Registry>()) {}

NotificationCenter& NotificationCenter::defaultCenter()
{
    static detail::NoDestructor<NotificationCenter> center;
    return center.get();
}

std::shared_ptr<NotificationCenter::Entry> NotificationCenter::add(const void* target, std::string name,
                                                                   const foundation::Id& object, Queue* queue,
                                                                   Handler handler,
                                                                   std::function<bool()> targetGone)
{
    auto entry = std::make_shared<Entry>();
    entry->target = target;
    entry->name = std::move(name);
    entry->object = object.get();
    entry->objectAlive = object.ref();
    entry->queue = queue ? queue->shared_from_this() : nullptr;
    entry->handler = std::move(handler);
    entry->targetGone = std::move(targetGone);
    std::lock_guard lock(registry_->mutex);
    registry_->entries.push_back(entry);
    return entry;
}

Subscription NotificationCenter::addObserver(std::string name, const foundation::Id& object, Queue* queue,
                                             Handler handler)
{
    auto entry = add(nullptr, std::move(name), object, queue, std::move(handler), nullptr);
    return Subscription([registry = std::weak_ptr<Registry>(registry_), weak = std::weak_ptr<Entry>(entry)] {
        auto r = registry.lock();
        auto e = weak.lock();
        if (r && e)
            r->remove(e);
    });
}

void NotificationCenter::removeObserver(const void* target)
{
    removeObserver(target, {}, {});
}

void NotificationCenter::removeObserver(const void* target, std::string_view name, const foundation::Id& object)
{
    if (!target)
        return;
    std::lock_guard lock(registry_->mutex);
    std::erase_if(registry_->entries, [&](const std::shared_ptr<Entry>& e) {
        if (e->target != target || !e->matchesFilter(name, object.get()))
            return false;
        e->removed = true;
        return true;
    });
}

void NotificationCenter::post(std::string name, foundation::Id object, foundation::Ref<foundation::Dictionary> userInfo)
{
    post(Notification{std::move(name), std::move(object), std::move(userInfo)});
}

void NotificationCenter::post(const Notification& notification)
{
    std::vector<std::shared_ptr<Entry>> matching;
    {
        std::lock_guard lock(registry_->mutex);
        // Target observers whose target is gone leave on the next post.
        std::erase_if(registry_->entries, [](const std::shared_ptr<Entry>& e) {
            if (!e->targetGone || !e->targetGone())
                return false;
            e->removed = true;
            return true;
        });
        for (const auto& entry : registry_->entries)
            if (entry->matches(notification))
                matching.push_back(entry);
    }
    for (const auto& entry : matching) {
        if (entry->removed)
            continue;
        if (!entry->queue || (entry->queue->isSerial() && entry->queue->isCurrent())) {
            entry->handler(notification);
            continue;
        }
        entry->queue->async([entry, notification] {
            if (!entry->removed)
                entry->handler(notification);
        });
    }
}

} // namespace dispatch
