#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <sys/socket.h>

namespace net::detail {

// What a Reachability looks at: a host name to resolve, or one address.
struct ReachabilityTarget {
    std::optional<std::string> hostName;
    sockaddr_storage address{};
};

// The flags for `target` as the routing table answers now.
std::uint32_t probeReachability(const ReachabilityTarget& target);

} // namespace net::detail
