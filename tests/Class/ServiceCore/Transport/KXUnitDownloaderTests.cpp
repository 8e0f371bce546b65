#include "Class/ServiceCore/Transport/KXUnitDownloader.h"
#include "Class/ServiceCore/Transport/KXSessionLimits.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <stdexcept>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using foundation::Id;

namespace {

// A loopback HTTP server that hands out one font file under a hostile suggested name, one
// connection at a time.
class FontServer {
public:
    FontServer()
    {
        listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listenFd_, 16) != 0)
            throw std::runtime_error("cannot listen on loopback");
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~FontServer()
    {
        ::shutdown(listenFd_, SHUT_RDWR);
        ::close(listenFd_);
        thread_.join();
    }
    FontServer(const FontServer&) = delete;
    FontServer& operator=(const FontServer&) = delete;
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

    std::atomic<int> hits{0};

private:
    void serve()
    {
        const std::string body(100000, 'f');
        const std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: font/ttf\r\nContent-Length: " + std::to_string(body.size())
            + "\r\nContent-Disposition: attachment; filename=\"../../escape.ttf\"\r\nConnection: close\r\n\r\n" + body;
        while (true) {
            const int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                return;
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const auto got = ::recv(client, buffer, sizeof buffer, 0);
                if (got <= 0)
                    break;
                request.append(buffer, static_cast<std::size_t>(got));
            }
            ++hits;
            for (std::size_t sent = 0; sent < reply.size();) {
                const auto n = ::send(client, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += static_cast<std::size_t>(n);
            }
            // Half-close and drain, so the kernel ends the connection with FIN, not a reset.
            ::shutdown(client, SHUT_WR);
            while (::recv(client, buffer, sizeof buffer, 0) > 0) {
            }
            ::close(client);
        }
    }

    int listenFd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

// A loopback port on which nothing listens.
int closedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

struct Calls {
    std::vector<std::string> paths;
    std::vector<foundation::Ref<foundation::Dictionary>> failures;
    std::atomic<float> lastPercent{0}; // progress arrives on the session's queue
};

void download(KXUnitDownloader& downloader, const std::string& url, Calls& calls)
{
    downloader.downloadWithUrlD(
        foundation::Dictionary::create({{Id("data_download"), Id(url)}, {Id("data_md5"), Id("unused")}}),
        [&](float percent) { calls.lastPercent = percent; },
        [&](const foundation::Ref<foundation::Dictionary>& result) { calls.paths.push_back(Id(result)["path"].stringValue()); },
        [&](const foundation::Ref<foundation::Dictionary>& info) { calls.failures.push_back(info); });
}

} // namespace

TEST(KXUnitDownloader, FetchesIntoDocumentsUnderASafeNameOnceAtATime)
{
    FontServer server;
    const auto documents = testsupport::makeScratchDir("documents");
    auto downloader = KXUnitDownloader::create(documents);
    Calls calls;
    download(*downloader, server.url("/fonts/a.ttf"), calls);
    download(*downloader, server.url("/fonts/a.ttf"), calls); // still running: ignored
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return !calls.paths.empty() || !calls.failures.empty(); }, 20));
    // A second download, had it started, would still be running or have answered by now.
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return downloader->operations()->count() == 0; }, 20));
    dispatch::RunLoop::drain();
    EXPECT_EQ(calls.paths, (std::vector<std::string>{(documents / "escape.ttf").string()}));
    EXPECT_TRUE(calls.failures.empty());
    EXPECT_EQ(server.hits, 1);
    EXPECT_EQ(std::filesystem::file_size(documents / "escape.ttf"), 100000u);
    EXPECT_EQ(calls.lastPercent, 100000.0f); // a byte count, not a fraction
    EXPECT_EQ(downloader->operations()->count(), 0u);
    EXPECT_EQ(downloader->downLoadTaskA()->count(), 1u);

    download(*downloader, server.url("/fonts/a.ttf"), calls); // over: fetched again
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return calls.paths.size() == 2; }, 20));
    EXPECT_EQ(server.hits, 2);
}

TEST(KXUnitDownloader, AFailedFetchReportsTheErrorOnly)
{
    const int port = closedPort();
    auto downloader = KXUnitDownloader::create(testsupport::makeScratchDir("documents-fail"));
    Calls calls;
    download(*downloader, "http://127.0.0.1:" + std::to_string(port) + "/fonts/a.ttf", calls);
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return !calls.failures.empty(); }, 20));
    EXPECT_TRUE(calls.paths.empty());
    ASSERT_TRUE(calls.failures.front());
    EXPECT_FALSE(Id(calls.failures.front())["NSErrorFailingURLStringKey"].stringValue().empty());
}

// The downloader's session has a ceiling: a body longer than it fails and leaves no file.
TEST(KXUnitDownloader, ABodyPastTheCeilingFailsAndLeavesNothing)
{
    FontServer server; // 100000 bytes
    const auto documents = testsupport::makeScratchDir("documents-ceiling");
    auto downloader = KXUnitDownloader::create(documents);
    EXPECT_EQ(downloader->maximumDownloadBytes(), KXSessionLimits::kMaximumDownloadBytes);
    downloader->setMaximumDownloadBytes(50000);
    Calls calls;
    download(*downloader, server.url("/fonts/a.ttf"), calls);
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return !calls.paths.empty() || !calls.failures.empty(); }, 20));
    dispatch::RunLoop::drain();
    EXPECT_TRUE(calls.paths.empty());
    ASSERT_EQ(calls.failures.size(), 1u);
    EXPECT_TRUE(std::filesystem::is_empty(documents));
}
