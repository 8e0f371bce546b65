#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct sockaddr;

namespace dispatch {
class Queue;
}

namespace net {

// Reachability flag bits, numbered as the platform numbers them.
enum ReachabilityFlags : std::uint32_t {
    kReachabilityTransientConnection = 1u << 0,
    kReachabilityReachable = 1u << 1,
    kReachabilityConnectionRequired = 1u << 2,
    kReachabilityConnectionOnTraffic = 1u << 3,
    kReachabilityInterventionRequired = 1u << 4,
    kReachabilityConnectionOnDemand = 1u << 5,
    kReachabilityIsLocalAddress = 1u << 16,
    kReachabilityIsDirect = 1u << 17,
};

// Whether a host name, an address or the network in general can be reached
// (SCNetworkReachability). The flags come from a route probe: a route lookup for the target's
// address (a UDP connect, which sends nothing) or, for the all-zero address, the presence of a
// default route. Changes are noticed through an rtnetlink watch; nothing is opened before
// `scheduleOnQueue`, and `unschedule` (or destruction) closes it again.
// Thread-safe; the callback runs on the queue given to `scheduleOnQueue`.
class Reachability {
public:
    using Callback = std::function<void(std::uint32_t flags)>;

    static std::unique_ptr<Reachability> createWithName(std::string hostName);
    // `address` is copied (IPv4 or IPv6); all zeros mean the network in general. nil for other
    // families.
    static std::unique_ptr<Reachability> createWithAddress(const sockaddr* address);

    ~Reachability();
    Reachability(const Reachability&) = delete;
    Reachability& operator=(const Reachability&) = delete;

    // Probes now. False only when the target cannot be examined at all.
    bool getFlags(std::uint32_t& flags) const;

    void setCallback(Callback callback);
    // Starts the watch; the callback hears every change of the flags after this point. A second
    // call moves delivery to the new queue. False when the watch cannot be opened.
    bool scheduleOnQueue(dispatch::Queue& queue);
    void unschedule();
    bool isScheduled() const;

    struct State;
    explicit Reachability(std::shared_ptr<State> state);

private:
    std::shared_ptr<State> state_;
};

} // namespace net
