#pragma once

#include "Lib/CrashGuard/CallStackSymbolizer.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/ExceptionObject.h"
#include "Platform/Foundation/Misuse.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace crashguard {

// The machinery behind CrashGuard: the misuse handler, the guard's serial queue with its
// symbolizer, and the count of reports waiting for the main queue. One per process.
class CrashGuardReporter : public std::enable_shared_from_this<CrashGuardReporter> {
public:
    // Held by the installed handler and by the blocks on the queues too, so it outlives the
    // process's static objects at exit.
    static const std::shared_ptr<CrashGuardReporter>& shared();

    // The misuse handler CrashGuard installs. Declines messages the receiver does not understand
    // unless dealWithUnrecognizedSelectors was set.
    bool handle(const foundation::MisuseReport& misuse);
    void setDealWithUnrecognizedSelectors(bool value) { dealWithUnrecognizedSelectors_.store(value); }

    // Queues a report of `exception` with the calling thread's stack (taken here).
    void note(foundation::Ref<foundation::ExceptionObject> exception, std::string defaultToDo);

    unsigned long unreportedCount() const { return unreported_.load(); }

    CrashGuardReporter();

private:
    // What the misusing thread hands to the guard's queue.
    struct Pending {
        foundation::Ref<foundation::ExceptionObject> exception; // nil: made from name and reason
        std::string name;
        std::string reason;
        std::string defaultToDo;
        std::vector<std::uintptr_t> returnAddresses;
    };

    // False when kMaxWaitingReports are waiting already; the misuse is then only counted.
    bool admit();
    void submit(Pending pending);
    void build(const Pending& pending);
    void posted();

    std::atomic<bool> dealWithUnrecognizedSelectors_ { false };
    std::atomic<std::size_t> waiting_ { 0 };
    std::atomic<unsigned long> unreported_ { 0 };
    dispatch::QueueRef queue_;
    CallStackSymbolizer symbolizer_; // used on queue_ only

    // Main queue only.
    unsigned long unreportedLogged_ = 0;
    dispatch::Clock::TimePoint lastLog_ {};
};

} // namespace crashguard
