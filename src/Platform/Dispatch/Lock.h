#pragma once

#include <mutex>
#include <string>

namespace dispatch {

// A named mutex (the name shows up in descriptions and debugging only). Satisfies Lockable, so
// std::lock_guard and std::unique_lock work with it. Not recursive: locking it twice on one
// thread deadlocks, as the platform lock does.
class Lock {
public:
    explicit Lock(std::string name = {}) : name_(std::move(name)) {}
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }
    bool try_lock() { return mutex_.try_lock(); }
    bool tryLock() { return mutex_.try_lock(); }
    // Waits at most `timeoutSeconds` of real time; lock timeouts guard against deadlocks and
    // are not part of anything a virtual clock should drive.
    bool lockBeforeTimeout(double timeoutSeconds);

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

private:
    std::timed_mutex mutex_;
    std::string name_;
};

// The same, but the owning thread may lock it again; each lock needs its unlock.
class RecursiveLock {
public:
    explicit RecursiveLock(std::string name = {}) : name_(std::move(name)) {}
    RecursiveLock(const RecursiveLock&) = delete;
    RecursiveLock& operator=(const RecursiveLock&) = delete;

    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }
    bool try_lock() { return mutex_.try_lock(); }
    bool tryLock() { return mutex_.try_lock(); }

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

private:
    std::recursive_mutex mutex_;
    std::string name_;
};

} // namespace dispatch
