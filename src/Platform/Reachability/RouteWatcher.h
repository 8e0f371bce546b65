#pragma once

#include <functional>
#include <thread>

namespace net::detail {

// Listens to the kernel's routing socket (rtnetlink: links, addresses, routes) on a thread of
// its own and calls `onChange` there after each burst of messages. Opens its sockets in `start`
// and closes them in `stop`.
class RouteWatcher {
public:
    explicit RouteWatcher(std::function<void()> onChange);
    ~RouteWatcher();
    RouteWatcher(const RouteWatcher&) = delete;
    RouteWatcher& operator=(const RouteWatcher&) = delete;

    bool start();
    void stop();

private:
    void run();

    std::function<void()> onChange_;
    int netlinkFd_ = -1;
    int wakeFd_ = -1;
    std::thread thread_;
};

} // namespace net::detail
