#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
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

struct ssl_st;
struct ssl_ctx_st;

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
    // The head and the Content-Length bytes of body after it.
    static std::string readRequest(int fd);
    static void send(int fd, const std::string& bytes);
    // Sends the pieces one by one, `interval` apart, the way a server trickles; false as soon as
    // the client has hung up (so a handler ends with the client's time-out, not its own).
    static bool sendPaced(int fd, const std::vector<std::string>& pieces, std::chrono::milliseconds interval);

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

// A RawServer, plain or TLS, that hands each connection to a script with its number (from 1, in
// the order accepted): for servers that keep a connection alive and then close it at the moment
// a test chooses. The script's thread ignores SIGPIPE, so writing to a peer that left fails.
class ScriptedServer {
public:
    class Connection {
    public:
        Connection(int fd, ssl_st* ssl)
            : fd_(fd)
            , ssl_(ssl)
        {
        }
        std::string readRequestHead();
        // The head and its Content-Length bytes of body.
        std::string readRequest();
        // Up to `count` bytes, fewer when the client stops sending.
        std::string readBytes(std::size_t count);
        void send(const std::string& bytes);
        // Returns once the client has sent something (at most 20 s).
        void waitForBytes();
        // How a server closes a kept-alive connection: TLS close_notify first, then FIN both
        // ways; bytes the client sends after that are answered with a reset.
        void close();

    private:
        int read(char* buffer, std::size_t capacity);
        int fd_;
        ssl_st* ssl_;
    };
    using Script = std::function<void(Connection&, int index)>;

    explicit ScriptedServer(Script script);
    ScriptedServer(const std::filesystem::path& certificate, const std::filesystem::path& key, Script script);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::string url(const std::string& path) const;
    int connections() const { return connections_; }

private:
    void serve(int fd);

    ssl_ctx_st* context_ = nullptr;
    Script script_;
    std::atomic<int> connections_{0};
    std::unique_ptr<RawServer> server_; // last: its threads run serve()
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

// `bytes` as a gzip stream (a Content-Encoding: gzip body).
std::string gzipped(const std::string& bytes);

} // namespace urltest
