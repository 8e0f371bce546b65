#include "Support/LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace benchsupport {

namespace {

// The server listens with a backlog of 5, so a burst of new connections loses SYNs and waits a
// second for the retry; raise the backlog on its listening socket.
void widenBacklog(int port)
{
    for (int fd = 3; fd < 4096; ++fd) {
        int listening = 0;
        socklen_t size = sizeof listening;
        sockaddr_in address{};
        socklen_t length = sizeof address;
        if (::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) == 0 && listening
            && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0 && ntohs(address.sin_port) == port)
            ::listen(fd, 1024);
    }
}

} // namespace

LoopbackServer::LoopbackServer(int threads)
{
    server_.set_tcp_nodelay(true);
    server_.set_keep_alive_max_count(100000);
    server_.new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<std::size_t>(threads)); };
}

LoopbackServer::~LoopbackServer()
{
    stop();
}

void LoopbackServer::start()
{
    port_ = server_.bind_to_any_port("127.0.0.1");
    widenBacklog(port_);
    thread_ = std::thread([this] { server_.listen_after_bind(); });
}

void LoopbackServer::stop()
{
    if (!thread_.joinable())
        return;
    server_.stop();
    thread_.join();
}

std::string LoopbackServer::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

} // namespace benchsupport
