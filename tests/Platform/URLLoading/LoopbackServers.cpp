#include "LoopbackServers.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace urltest {

HttpServer::HttpServer()
    : server_(std::make_unique<httplib::Server>())
{
}

HttpServer::HttpServer(const std::filesystem::path& certificate, const std::filesystem::path& key)
    : server_(std::make_unique<httplib::SSLServer>(certificate.c_str(), key.c_str()))
    , tls_(true)
{
}

void HttpServer::start()
{
    server_->new_task_queue = [] { return new httplib::ThreadPool(24); };
    server_->set_tcp_nodelay(true);
    // Workers wait this long on an idle keep-alive connection, and stop() waits for them.
    server_->set_keep_alive_timeout(1);
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0)
        throw std::runtime_error("cannot bind a loopback port");
    // The socket listens from here on, so requests wait in the backlog until the loop runs.
    thread_ = std::thread([this] { server_->listen_after_bind(); });
}

HttpServer::~HttpServer()
{
    server_->stop();
    if (thread_.joinable())
        thread_.join();
}

std::string HttpServer::url(const std::string& path, const std::string& host) const
{
    return std::string(tls_ ? "https" : "http") + "://" + host + ":" + std::to_string(port_) + path;
}

RawServer::RawServer(std::function<void(int fd)> handler)
    : handler_(std::move(handler))
{
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listenFd_, 64) != 0)
        throw std::runtime_error("cannot listen on loopback");
    socklen_t length = sizeof address;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] {
        for (;;) {
            int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0 || stopping_) {
                if (fd >= 0)
                    ::close(fd);
                return;
            }
            ++connections_;
            std::lock_guard lock(mutex_);
            openFds_.push_back(fd);
            workers_.emplace_back([this, fd] {
                handler_(fd);
                ::shutdown(fd, SHUT_RDWR);
            });
        }
    });
}

RawServer::~RawServer()
{
    stopping_ = true;
    ::shutdown(listenFd_, SHUT_RDWR);
    acceptor_.join();
    ::close(listenFd_);
    std::lock_guard lock(mutex_);
    for (int fd : openFds_)
        ::shutdown(fd, SHUT_RDWR);
    for (auto& worker : workers_)
        worker.join();
    for (int fd : openFds_)
        ::close(fd);
}

std::string RawServer::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string RawServer::readRequestHead(int fd)
{
    std::string head;
    char c;
    while (head.find("\r\n\r\n") == std::string::npos && ::recv(fd, &c, 1, 0) == 1)
        head.push_back(c);
    return head;
}

void RawServer::send(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

void Gate::open()
{
    std::lock_guard lock(mutex_);
    open_ = true;
    condition_.notify_all();
}

void Gate::wait()
{
    std::unique_lock lock(mutex_);
    condition_.wait_for(lock, std::chrono::seconds(20), [&] { return open_; });
}

bool Gate::waitFor(const std::function<bool()>& predicate)
{
    std::unique_lock lock(mutex_);
    return condition_.wait_for(lock, std::chrono::seconds(20), predicate);
}

void Gate::notify()
{
    std::lock_guard lock(mutex_);
    condition_.notify_all();
}

int closedPort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd); // bound but never listening, and released: connecting is refused
    return ntohs(address.sin_port);
}

} // namespace urltest
