#include "LoopbackServers.h"

#include <httplib.h>

#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <zlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <stdexcept>

namespace urltest {

namespace {

// Request readers over a `read(buffer, capacity)` that returns what recv or SSL_read does.
template <class Read>
std::string readHead(Read read)
{
    std::string head;
    char c;
    while (head.find("\r\n\r\n") == std::string::npos && read(&c, 1) == 1)
        head.push_back(c);
    return head;
}

template <class Read>
std::string readCount(Read read, std::size_t count)
{
    std::string bytes;
    char buffer[16384];
    while (bytes.size() < count) {
        const int n = read(buffer, std::min(count - bytes.size(), sizeof buffer));
        if (n <= 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

// The head and the Content-Length bytes of body after it.
template <class Read>
std::string readWithBody(Read read)
{
    std::string request = readHead(read);
    std::string lower = request;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto field = lower.find("\r\ncontent-length:");
    const std::size_t length = field == std::string::npos ? 0 : std::strtoul(lower.c_str() + field + 17, nullptr, 10);
    return request + readCount(read, length);
}

} // namespace

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
    return readHead([fd](char* buffer, std::size_t capacity) { return static_cast<int>(::recv(fd, buffer, capacity, 0)); });
}

std::string RawServer::readRequest(int fd)
{
    return readWithBody([fd](char* buffer, std::size_t capacity) { return static_cast<int>(::recv(fd, buffer, capacity, 0)); });
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

bool RawServer::sendPaced(int fd, const std::vector<std::string>& pieces, std::chrono::milliseconds interval)
{
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) {
            // The pause is a wait for the client to hang up: it ends early when it does.
            pollfd peer{fd, POLLRDHUP, 0};
            if (::poll(&peer, 1, static_cast<int>(interval.count())) != 0)
                return false;
        }
        if (::send(fd, pieces[i].data(), pieces[i].size(), MSG_NOSIGNAL) != static_cast<ssize_t>(pieces[i].size()))
            return false;
    }
    return true;
}

ScriptedServer::ScriptedServer(Script script)
    : script_(std::move(script))
    , server_(std::make_unique<RawServer>([this](int fd) { serve(fd); }))
{
}

ScriptedServer::ScriptedServer(const std::filesystem::path& certificate, const std::filesystem::path& key, Script script)
    : context_(SSL_CTX_new(TLS_server_method()))
    , script_(std::move(script))
{
    if (!context_ || SSL_CTX_use_certificate_chain_file(context_, certificate.c_str()) != 1
        || SSL_CTX_use_PrivateKey_file(context_, key.c_str(), SSL_FILETYPE_PEM) != 1)
        throw std::runtime_error("cannot load the TLS identity");
    server_ = std::make_unique<RawServer>([this](int fd) { serve(fd); });
}

ScriptedServer::~ScriptedServer()
{
    server_.reset();
    SSL_CTX_free(context_);
}

std::string ScriptedServer::url(const std::string& path) const
{
    return std::string(context_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(server_->port()) + path;
}

void ScriptedServer::serve(int fd)
{
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    const int index = ++connections_;
    SSL* ssl = nullptr;
    if (context_) {
        ssl = SSL_new(context_);
        SSL_set_fd(ssl, fd);
        if (SSL_accept(ssl) != 1) {
            SSL_free(ssl);
            return;
        }
    }
    Connection connection(fd, ssl);
    script_(connection, index);
    SSL_free(ssl);
}

int ScriptedServer::Connection::read(char* buffer, std::size_t capacity)
{
    if (ssl_)
        return SSL_read(ssl_, buffer, static_cast<int>(capacity));
    return static_cast<int>(::recv(fd_, buffer, capacity, 0));
}

std::string ScriptedServer::Connection::readRequestHead()
{
    return readHead([this](char* buffer, std::size_t capacity) { return read(buffer, capacity); });
}

std::string ScriptedServer::Connection::readRequest()
{
    return readWithBody([this](char* buffer, std::size_t capacity) { return read(buffer, capacity); });
}

std::string ScriptedServer::Connection::readBytes(std::size_t count)
{
    return readCount([this](char* buffer, std::size_t capacity) { return read(buffer, capacity); }, count);
}

void ScriptedServer::Connection::send(const std::string& bytes)
{
    if (!ssl_) {
        RawServer::send(fd_, bytes);
        return;
    }
    SSL_write(ssl_, bytes.data(), static_cast<int>(bytes.size()));
}

void ScriptedServer::Connection::waitForBytes()
{
    pollfd peer{fd_, POLLIN, 0};
    ::poll(&peer, 1, 20000);
}

void ScriptedServer::Connection::close()
{
    if (ssl_)
        SSL_shutdown(ssl_);
    ::shutdown(fd_, SHUT_RDWR);
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

std::string gzipped(const std::string& bytes)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (rc != Z_STREAM_END)
        throw std::runtime_error("deflate");
    return out;
}

} // namespace urltest
