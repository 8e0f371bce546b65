#pragma once

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace urltest {

// A cpp-httplib server on 127.0.0.1 at a free port, HTTP or HTTPS, serving until destroyed.
class HttpServer {
public:
    HttpServer();
    HttpServer(const std::filesystem::path& certificate, const std::filesystem::path& key);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    httplib::Server& routes() { return *server_; }
    // Starts serving; call after the routes are set.
    void start();
    int port() const { return port_; }
    std::string url(const std::string& path, const std::string& host = "127.0.0.1") const;

private:
    std::unique_ptr<httplib::Server> server_;
    bool tls_ = false;
    int port_ = 0;
    std::thread thread_;
};

// A bare TCP server on 127.0.0.1 that hands each accepted connection to `handler`, for replies
// no HTTP server would send.
class RawServer {
public:
    explicit RawServer(std::function<void(int fd)> handler);
    ~RawServer();
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    int port() const { return port_; }
    std::string url(const std::string& path) const;
    int connections() const { return connections_; }

    // Helpers for handlers.
    static std::string readRequestHead(int fd);
    static void send(int fd, const std::string& bytes);

private:
    std::function<void(int)> handler_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<int> connections_{0};
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::mutex mutex_;
    std::vector<std::thread> workers_;
    std::vector<int> openFds_;
};

// A door a server handler waits at until the test opens it (at most 20 s, so a failing test
// cannot hang the suite).
class Gate {
public:
    void open();
    void wait();
    bool waitFor(const std::function<bool()>& predicate);
    void notify();

private:
    std::mutex mutex_;
    std::condition_variable condition_;
    bool open_ = false;
};

// A port on 127.0.0.1 where nothing listens.
int closedPort();

} // namespace urltest
