#include "Platform/Reachability/RouteWatcher.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

namespace net::detail {

RouteWatcher::RouteWatcher(std::function<void()> onChange)
    : onChange_(std::move(onChange))
{
}

RouteWatcher::~RouteWatcher()
{
    stop();
}

bool RouteWatcher::start()
{
    if (thread_.joinable())
        return true;
    netlinkFd_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (netlinkFd_ < 0)
        return false;
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0 || ::bind(netlinkFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        stop();
        return false;
    }
    thread_ = std::thread([this] { run(); });
    return true;
}

void RouteWatcher::stop()
{
    if (thread_.joinable()) {
        std::uint64_t one = 1;
        [[maybe_unused]] auto written = ::write(wakeFd_, &one, sizeof one);
        thread_.join();
    }
    if (netlinkFd_ >= 0)
        ::close(netlinkFd_);
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
    netlinkFd_ = -1;
    wakeFd_ = -1;
}

void RouteWatcher::run()
{
    char buffer[8192];
    for (;;) {
        pollfd fds[2] = {{netlinkFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents != 0)
            return;
        bool changed = false;
        while (::recv(netlinkFd_, buffer, sizeof buffer, MSG_DONTWAIT) > 0)
            changed = true;
        if (changed && onChange_)
            onChange_();
    }
}

} // namespace net::detail
