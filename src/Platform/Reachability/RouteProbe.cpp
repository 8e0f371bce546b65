#include "Platform/Reachability/RouteProbe.h"

#include "Platform/Reachability/Reachability.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace net::detail {

namespace {

bool isAllZero(const sockaddr_storage& address)
{
    if (address.ss_family == AF_INET)
        return reinterpret_cast<const sockaddr_in&>(address).sin_addr.s_addr == 0;
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    return IN6_IS_ADDR_UNSPECIFIED(&v6.sin6_addr);
}

bool isLoopback(const sockaddr_storage& address)
{
    if (address.ss_family == AF_INET)
        return (ntohl(reinterpret_cast<const sockaddr_in&>(address).sin_addr.s_addr) >> 24) == 127;
    return IN6_IS_ADDR_LOOPBACK(&reinterpret_cast<const sockaddr_in6&>(address).sin6_addr);
}

// A default route through an interface that is up, IPv4 or IPv6.
bool hasDefaultRoute()
{
    std::ifstream v4("/proc/net/route");
    std::string line;
    std::getline(v4, line); // header
    while (std::getline(v4, line)) {
        std::istringstream fields(line);
        std::string device, destination, gateway;
        unsigned flags = 0;
        fields >> device >> destination >> gateway >> std::hex >> flags;
        if (destination == "00000000" && (flags & 0x1) != 0)
            return true;
    }
    std::ifstream v6("/proc/net/ipv6_route");
    while (std::getline(v6, line)) {
        std::istringstream fields(line);
        std::string destination, prefix, source, sourcePrefix, nextHop, metric, refs, use, flags, device;
        fields >> destination >> prefix >> source >> sourcePrefix >> nextHop >> metric >> refs >> use >> flags >> device;
        if (destination == std::string(32, '0') && prefix == "00" && device != "lo" && nextHop != std::string(32, '0'))
            return true;
    }
    return false;
}

std::uint32_t probeAddress(const sockaddr_storage& address)
{
    if (isAllZero(address))
        return hasDefaultRoute() ? static_cast<std::uint32_t>(kReachabilityReachable) : 0u;
    if (isLoopback(address))
        return kReachabilityReachable | kReachabilityIsLocalAddress | kReachabilityIsDirect;
    int fd = ::socket(address.ss_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    sockaddr_storage target = address;
    socklen_t length = address.ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
    if (address.ss_family == AF_INET && reinterpret_cast<sockaddr_in&>(target).sin_port == 0)
        reinterpret_cast<sockaddr_in&>(target).sin_port = htons(80);
    if (address.ss_family == AF_INET6 && reinterpret_cast<sockaddr_in6&>(target).sin6_port == 0)
        reinterpret_cast<sockaddr_in6&>(target).sin6_port = htons(80);
    // A UDP connect only looks up the route; no packet leaves.
    std::uint32_t flags = 0;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&target), length) == 0) {
        flags = kReachabilityReachable;
        sockaddr_storage local{};
        socklen_t localLength = sizeof local;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) == 0) {
            bool same = address.ss_family == AF_INET
                ? reinterpret_cast<sockaddr_in&>(local).sin_addr.s_addr == reinterpret_cast<const sockaddr_in&>(address).sin_addr.s_addr
                : std::memcmp(&reinterpret_cast<sockaddr_in6&>(local).sin6_addr, &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr,
                              sizeof(in6_addr)) == 0;
            if (same)
                flags |= kReachabilityIsLocalAddress | kReachabilityIsDirect;
        }
    }
    ::close(fd);
    return flags;
}

} // namespace

std::uint32_t probeReachability(const ReachabilityTarget& target)
{
    if (!target.hostName)
        return probeAddress(target.address);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* results = nullptr;
    if (::getaddrinfo(target.hostName->c_str(), nullptr, &hints, &results) != 0)
        return 0;
    std::uint32_t flags = 0;
    for (addrinfo* entry = results; entry && !(flags & kReachabilityReachable); entry = entry->ai_next) {
        if (entry->ai_family != AF_INET && entry->ai_family != AF_INET6)
            continue;
        sockaddr_storage address{};
        std::memcpy(&address, entry->ai_addr, entry->ai_addrlen);
        flags = probeAddress(address);
    }
    ::freeaddrinfo(results);
    return flags;
}

} // namespace net::detail
