#pragma once

#include "Platform/Dispatch/Clock.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace dispatch::detail {

// Holds every pending deadline (delayed blocks, timer firings, wait timeouts) in deadline order,
// submission order among equals. On the real clock a scheduler thread fires them when due; on a
// virtual clock only VirtualClock::advance fires them, one at a time through popNextDue().
class Scheduler {
public:
    using Key = std::pair<Clock::TimePoint, std::uint64_t>;
    using Fire = std::function<void()>;

    static Scheduler& instance();

    // `fire` runs on the scheduler thread (or the thread that advances a virtual clock); it must
    // be short and must not wait: it hands work to a queue or wakes a waiter.
    // The deadline is a point on the installed clock's timeline; the entry remembers that clock.
    Key schedule(Clock::TimePoint deadline, Fire fire);
    // Returns false when the entry already fired or was cancelled.
    bool cancel(const Key& key);

    // The earliest entry due at or before `limit`, removed from the schedule.
    std::optional<std::pair<Clock::TimePoint, Fire>> popNextDue(Clock::TimePoint limit);

    // Wakes the scheduler thread to look at the installed clock again.
    void clockChanged();

    // How many entries scheduled while `clock` was installed wait to fire.
    std::size_t pendingCount(const Clock* clock);

    // Drops, without firing, every entry scheduled while `clock` was installed. Their
    // deadlines mean nothing on another clock's timeline.
    void dropEntriesOf(const Clock* clock);

private:
    void threadMain();

    std::mutex mutex_;
    std::condition_variable changed_;
    struct Entry {
        Fire fire;
        const Clock* clock;
    };
    std::map<Key, Entry> entries_;
    std::uint64_t nextSeq_ = 0;
    bool threadStarted_ = false;
};

} // namespace dispatch::detail
