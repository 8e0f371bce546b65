#pragma once

#include <httplib.h>

#include <string>
#include <thread>

namespace benchsupport {

// An HTTP server on 127.0.0.1 at a free port, serving from its own thread with `threads` workers
// and keep-alive without a practical limit. Register handlers on server() before start().
class LoopbackServer {
public:
    explicit LoopbackServer(int threads);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    httplib::Server& server() { return server_; }
    void start();
    void stop();

    int port() const { return port_; }
    // "http://127.0.0.1:<port><path>"
    std::string url(const std::string& path) const;

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
};

} // namespace benchsupport
