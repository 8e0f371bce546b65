#include "Platform/Dispatch/detail/Scheduler.h"

#include "Platform/Dispatch/detail/NoDestructor.h"

#include <iterator>

namespace dispatch::detail {

Scheduler& Scheduler::instance()
{
    static NoDestructor<Scheduler> scheduler;
    return scheduler.get();
}

Scheduler::Key Scheduler::schedule(Clock::TimePoint deadline, Fire fire)
{
    Key key;
    bool start = false;
    const auto clock = Clock::current();
    {
        std::lock_guard lock(mutex_);
        key = Key{deadline, nextSeq_++};
        const bool earliest = entries_.empty() || key < entries_.begin()->first;
        entries_.emplace(key, Entry{std::move(fire), clock.get()});
        if (!threadStarted_) {
            threadStarted_ = true;
            start = true;
        }
        if (!earliest && !start)
            return key;
    }
    if (start)
        std::thread([this] { threadMain(); }).detach();
    else
        changed_.notify_one();
    return key;
}

bool Scheduler::cancel(const Key& key)
{
    Fire dropped; // destroyed after the lock is released: it may own the last queue reference
    std::lock_guard lock(mutex_);
    auto it = entries_.find(key);
    if (it == entries_.end())
        return false;
    dropped = std::move(it->second.fire);
    entries_.erase(it);
    return true;
}

std::optional<std::pair<Clock::TimePoint, Scheduler::Fire>> Scheduler::popNextDue(
    Clock::TimePoint limit)
{
    std::lock_guard lock(mutex_);
    if (entries_.empty() || entries_.begin()->first.first > limit)
        return std::nullopt;
    auto node = entries_.extract(entries_.begin());
    return std::make_pair(node.key().first, std::move(node.mapped().fire));
}

std::size_t Scheduler::pendingCount(const Clock* clock)
{
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const auto& [key, entry] : entries_)
        count += entry.clock == clock ? 1 : 0;
    return count;
}

void Scheduler::dropEntriesOf(const Clock* clock)
{
    std::map<Key, Entry> dropped;
    std::lock_guard lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end();) {
        auto next = std::next(it);
        if (it->second.clock == clock)
            dropped.insert(entries_.extract(it));
        it = next;
    }
}

void Scheduler::clockChanged()
{
    { std::lock_guard lock(mutex_); }
    changed_.notify_all();
}

void Scheduler::threadMain()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        const auto clock = Clock::current();
        if (clock->isVirtual() || entries_.empty()) {
            changed_.wait(lock);
            continue;
        }
        const auto first = entries_.begin();
        // A copy: the entry may go while the lock is released inside the wait.
        const Clock::TimePoint deadline = first->first.first;
        if (deadline > clock->now()) {
            // The real clock is the steady clock, so its deadlines can be waited for directly.
            changed_.wait_until(lock, deadline);
            continue;
        }
        auto node = entries_.extract(first);
        lock.unlock();
        node.mapped().fire();
        node.mapped().fire = nullptr;
        lock.lock();
    }
}

} // namespace dispatch::detail
