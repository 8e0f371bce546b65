#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>

namespace dispatch {

// The time source of the dispatch layer. Every delay (`Queue::after`, timer sources, the
// timeouts of groups and semaphores, `RunLoop::runFor`) is measured on the installed clock, so
// tests can replace real time with a `VirtualClock` and step through long delays at once.
//
// Thread-safety: all members may be called from any thread.
class Clock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Duration = std::chrono::steady_clock::duration;

    virtual ~Clock() = default;

    // Monotonic time; only differences are meaningful.
    virtual TimePoint now() const = 0;
    // Seconds since 1970-01-01 UTC; moves together with now() on a virtual clock.
    virtual double secondsSince1970() const = 0;
    // True when time moves only by explicit advance(); waits on such a clock never end by
    // themselves in real time.
    virtual bool isVirtual() const = 0;

    // The clock in use (a RealClock until another is installed).
    static std::shared_ptr<Clock> current();
    // Installs `clock` (nullptr reinstalls the real clock). Work already scheduled keeps its
    // deadline as a point on the old clock's timeline; install the clock before scheduling.
    static void install(std::shared_ptr<Clock> clock);

    static Duration seconds(double s);

    // Blocks the calling thread for `seconds` on the installed clock. On a virtual clock the
    // sleep ends when advance() moves time past its end (or, with sleepAdvancesTime, the sleep
    // itself moves time forward), so a poll that sleeps between requests runs at test speed.
    static void sleep(double seconds);
};

class RealClock final : public Clock {
public:
    TimePoint now() const override;
    double secondsSince1970() const override;
    bool isVirtual() const override { return false; }
};

// Time stands still until advance(). advance(s) walks through every timer, delayed block and
// wait timeout that falls due within the next `s` seconds in deadline order (submission order
// among equal deadlines), setting now() to each deadline before handing that work to its queue.
// Called on the main thread it also drains the main queue after each step, so work that a
// main-queue block schedules for later inside the window fires in the same call.
class VirtualClock final : public Clock {
public:
    // Starts at an arbitrary fixed point; the wall time starts at `wallStart` seconds since 1970.
    explicit VirtualClock(double wallStart = 1'700'000'000.0);

    TimePoint now() const override;
    double secondsSince1970() const override;
    bool isVirtual() const override { return true; }

    void advance(double seconds);

    // How many delayed blocks, timer firings and wait timeouts scheduled on this clock are still
    // to fire: what a test checks to see that repeated work leaves nothing behind.
    std::size_t pendingCount() const;

    // When set, Clock::sleep advances this clock by the sleep's length instead of waiting for
    // someone else to, for code that sleeps on the thread that drives the test. Such a sleep
    // does not drain the main queue: a real sleep runs nothing either.
    void setSleepAdvancesTime(bool value);
    bool sleepAdvancesTime() const;

    // Installs a new VirtualClock for the lifetime of the guard, then reinstalls the real clock
    // and drops whatever was still scheduled on the virtual one, so nothing leaks into the next
    // test. Waits with a timeout must have ended before the guard goes.
    class Scope {
    public:
        Scope();
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        VirtualClock& clock() { return *clock_; }
        void advance(double seconds) { clock_->advance(seconds); }

    private:
        std::shared_ptr<VirtualClock> clock_;
    };

private:
    friend class Clock; // sleep() advances without draining
    void setNow(TimePoint t);
    void advanceBy(double seconds, bool drainMainQueue);

    mutable std::mutex mutex_;
    TimePoint origin_;
    Duration elapsed_{};
    double wallStart_;
    bool sleepAdvancesTime_ = false;
};

} // namespace dispatch
