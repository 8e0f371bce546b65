#include "LoopbackServers.h"
#include "SessionRecorder.h"
#include "Support/TempHome.h"
#include "TestPKI.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

using foundation::Ref;
using urltest::Gate;
using urltest::makeSession;
using urltest::request;
using urltest::ScriptedServer;
using urltest::SessionRecorder;

namespace {

using Connection = ScriptedServer::Connection;

std::string reply(const std::string& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string bodyOf(const std::string& request)
{
    const auto end = request.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : request.substr(end + 4);
}

// A body that can be read once, like a pipe's.
class OneShotStream final : public net::InputStream {
public:
    explicit OneShotStream(std::string bytes)
        : bytes_(std::move(bytes))
    {
    }
    bool open() override { return true; }
    std::ptrdiff_t read(std::uint8_t* buffer, std::size_t capacity) override
    {
        const std::size_t count = std::min(capacity, bytes_.size() - offset_);
        std::copy_n(bytes_.data() + offset_, count, buffer);
        offset_ += count;
        return static_cast<std::ptrdiff_t>(count);
    }
    void close() override { }

private:
    std::string bytes_;
    std::size_t offset_ = 0;
};

// Servers that keep a connection alive and close it when the client uses it again: plain, or TLS
// with a leaf of a test CA that SSL_CERT_FILE makes the system store.
class ConnectionRetry : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        auto folder = testsupport::makeScratchDir("retry");
        ca_ = new testpki::Authority(folder, "Corvane Retry Root");
        leaf_ = new testpki::Identity(ca_->issue("retry-leaf"));
        setenv("SSL_CERT_FILE", ca_->identity().certificateFile.c_str(), 1);
    }
    static void TearDownTestSuite()
    {
        unsetenv("SSL_CERT_FILE");
        delete leaf_;
        delete ca_;
    }

    static std::unique_ptr<ScriptedServer> serve(bool tls, ScriptedServer::Script script)
    {
        if (tls)
            return std::make_unique<ScriptedServer>(
                leaf_->certificateFile, leaf_->keyFile, std::move(script));
        return std::make_unique<ScriptedServer>(std::move(script));
    }

    // Connection 1 answers a first request and stays open; when the next request starts to
    // arrive, the server closes it, the way an idle time-out meets a request in flight (or, given
    // `takenFirst`, once it has read the head and that many bytes of the body). Later connections
    // run `later`.
    static std::unique_ptr<ScriptedServer> closingOnReuse(
        bool tls, std::function<void(Connection&)> later, std::size_t takenFirst = 0)
    {
        return serve(tls, [later = std::move(later), takenFirst](Connection& connection, int index) {
            if (index > 1) {
                later(connection);
                return;
            }
            connection.readRequest();
            connection.send(reply("first"));
            if (takenFirst > 0) {
                connection.readRequestHead();
                connection.readBytes(takenFirst);
            } else {
                connection.waitForBytes();
            }
            connection.close();
        });
    }

    // Loads "/first" on a session, so its connection is kept, then runs `task` on the same session.
    static void afterAFirstRequest(ScriptedServer& server, SessionRecorder& recorder,
        const std::function<void(const Ref<net::URLSession>&)>& task)
    {
        auto session = makeSession(recorder);
        session->dataTaskWithRequest(request(server.url("/first")))->resume();
        ASSERT_TRUE(recorder.waitForCompletions(1));
        ASSERT_FALSE(recorder.error());
        task(session);
        ASSERT_TRUE(recorder.waitForCompletions(2));
    }

    static testpki::Authority* ca_;
    static testpki::Identity* leaf_;
};

testpki::Authority* ConnectionRetry::ca_ = nullptr;
testpki::Identity* ConnectionRetry::leaf_ = nullptr;

std::vector<std::string> eventsSince(const SessionRecorder& recorder, std::size_t start)
{
    auto events = recorder.events();
    return { events.begin() + static_cast<std::ptrdiff_t>(std::min(start, events.size())), events.end() };
}

} // namespace

// A client that loaded six previews at once keeps six TLS connections. The server closes them
// all while idle (close_notify, then FIN); the next preview meets the closed connections one
// after the other and goes out on a new one, and its delegate hears of one answer only.
TEST_F(ConnectionRetry, AGetThatFindsEveryKeptConnectionClosedGoesOutOnANewOne)
{
    constexpr int kKept = 6; // the session's connections per host
    Gate connected;
    Gate closing;
    std::atomic<int> kept { 0 };
    std::atomic<int> closed { 0 };
    std::atomic<int> laterRequests { 0 };
    auto server = serve(true, [&](Connection& connection, int index) {
        connection.readRequestHead();
        if (index > kKept) {
            ++laterRequests;
            connection.send(reply("preview"));
            return;
        }
        // Answered only once all six are open, so that the session keeps six connections.
        ++kept;
        connected.notify();
        connected.waitFor([&] { return kept == kKept; });
        connection.send(reply("kept"));
        closing.wait();
        connection.close();
        ++closed;
        closing.notify();
    });

    SessionRecorder recorder;
    recorder.recordResponses();
    auto session = makeSession(recorder);
    for (int i = 0; i < kKept; ++i)
        session->dataTaskWithRequest(request(server->url("/preview/" + std::to_string(i))))->resume();
    ASSERT_TRUE(recorder.waitForCompletions(kKept));
    ASSERT_FALSE(recorder.error());
    closing.open();
    ASSERT_TRUE(closing.waitFor([&] { return closed == kKept; }));

    const auto start = recorder.events().size();
    const auto bodyStart = recorder.body().size();
    session->dataTaskWithRequest(request(server->url("/preview/later")))->resume();
    ASSERT_TRUE(recorder.waitForCompletions(kKept + 1));
    EXPECT_FALSE(recorder.error());
    EXPECT_EQ(
        eventsSince(recorder, start), (std::vector<std::string> { "response 200", "data", "complete" }));
    EXPECT_EQ(recorder.body().substr(bodyStart), "preview");
    EXPECT_EQ(laterRequests, 1);
    EXPECT_EQ(server->connections(), kKept + 1);
}

// A body too large to go out with the head is still being sent when the server's reset comes:
// the request goes out again on a new connection, its body whole, and the progress the delegate
// hears never counts a byte twice.
TEST_F(ConnectionRetry, ABodyCutOffByTheCloseGoesOutAgainWhole)
{
    const std::string body(2 * 1024 * 1024, 'b');
    const auto folder = testsupport::makeScratchDir("retry-body");
    std::ofstream(folder / "body.bin", std::ios::binary) << body;
    struct Kind {
        const char* name;
        std::function<Ref<net::URLSessionTask>(const Ref<net::URLSession>&, const std::string&)> make;
    };
    const std::vector<Kind> kinds {
        { "data",
            [&](const auto& session, const std::string& url) {
                auto req = request(url, "POST");
                req->setHTTPBody(foundation::Data::create(std::string_view(body)));
                return session->dataTaskWithRequest(req);
            } },
        { "file",
            [&](const auto& session, const std::string& url) {
                return session->uploadTaskWithRequestFromFile(
                    request(url, "PUT"), foundation::URL::fileURLWithPath((folder / "body.bin").string()));
            } },
        { "stream",
            [&](const auto& session, const std::string& url) {
                auto req = request(url, "POST");
                req->setValue(std::to_string(body.size()), "Content-Length");
                req->setHTTPBodyStream(
                    net::InputStream::inputStreamWithData(foundation::Data::create(std::string_view(body))));
                return session->uploadTaskWithStreamedRequest(req);
            } },
    };
    for (bool tls : { false, true }) {
        for (const auto& kind : kinds) {
            SCOPED_TRACE(std::string(tls ? "https " : "http ") + kind.name);
            std::mutex mutex;
            std::vector<std::string> received;
            auto server = closingOnReuse(tls, [&](Connection& connection) {
                auto bytes = bodyOf(connection.readRequest());
                const auto size = bytes.size();
                {
                    std::lock_guard lock(mutex);
                    received.push_back(std::move(bytes));
                }
                connection.send(reply("stored " + std::to_string(size)));
            });
            SessionRecorder recorder;
            Ref<net::URLSessionTask> task;
            afterAFirstRequest(*server, recorder, [&](const Ref<net::URLSession>& session) {
                task = kind.make(session, server->url("/upload"));
                task->resume();
            });
            EXPECT_FALSE(recorder.error());
            EXPECT_EQ(recorder.body(), "firststored " + std::to_string(body.size()));
            EXPECT_EQ(server->connections(), 2);
            std::lock_guard lock(mutex);
            ASSERT_EQ(received.size(), 1u);
            EXPECT_TRUE(received.front() == body);
            const auto sent = recorder.sentTotals();
            ASSERT_FALSE(sent.empty());
            EXPECT_EQ(std::adjacent_find(sent.begin(), sent.end(), std::greater_equal<>()), sent.end());
            EXPECT_EQ(sent.back(), static_cast<std::int64_t>(body.size()));
            EXPECT_EQ(task->countOfBytesSent(), static_cast<std::int64_t>(body.size()));
        }
    }
}

// The server took part of a body that cannot be read again: the task fails rather than send
// what is left as if it were the whole.
TEST_F(ConnectionRetry, ABodyThatCannotBeReadAgainIsNotSentAgain)
{
    for (bool tls : { false, true }) {
        SCOPED_TRACE(tls ? "https" : "http");
        std::atomic<std::size_t> laterBodyBytes { 0 };
        auto server = closingOnReuse(
            tls, [&](Connection& connection) { laterBodyBytes += bodyOf(connection.readRequest()).size(); },
            64 * 1024);
        SessionRecorder recorder;
        afterAFirstRequest(*server, recorder, [&](const Ref<net::URLSession>& session) {
            auto req = request(server->url("/upload"), "POST");
            req->setValue("2097152", "Content-Length");
            req->setHTTPBodyStream(std::make_shared<OneShotStream>(std::string(2 * 1024 * 1024, 'p')));
            session->uploadTaskWithStreamedRequest(req)->resume();
        });
        ASSERT_TRUE(recorder.error());
        EXPECT_EQ(recorder.error()->code(), net::NSURLErrorNetworkConnectionLost);
        EXPECT_EQ(laterBodyBytes, 0u);
        EXPECT_EQ(recorder.completions(), 2);
    }
}

// Once part of the answer came, the server has the request: whatever follows is the task's failure.
TEST_F(ConnectionRetry, NotOncePartOfTheAnswerArrived)
{
    for (const std::string partial :
        { "HTTP/1.1 200 OK\r\nContent-Le", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten b" }) {
        SCOPED_TRACE(partial);
        auto server = serve(false, [&](Connection& connection, int index) {
            connection.readRequest();
            if (index == 1) {
                connection.send(reply("first"));
                connection.readRequest();
            }
            connection.send(partial);
            connection.close();
        });
        SessionRecorder recorder;
        afterAFirstRequest(*server, recorder, [&](const Ref<net::URLSession>& session) {
            session->dataTaskWithRequest(request(server->url("/second")))->resume();
        });
        ASSERT_TRUE(recorder.error());
        EXPECT_EQ(recorder.error()->code(), net::NSURLErrorNetworkConnectionLost);
        EXPECT_EQ(server->connections(), 1);
    }
}

// The new connection loses the request too: that failure is the task's.
TEST_F(ConnectionRetry, OnlyOnce)
{
    std::atomic<int> later { 0 };
    auto server = closingOnReuse(false, [&](Connection& connection) {
        ++later;
        connection.readRequestHead();
        connection.close();
    });
    SessionRecorder recorder;
    afterAFirstRequest(*server, recorder, [&](const Ref<net::URLSession>& session) {
        auto req = request(server->url("/upload"), "POST");
        req->setHTTPBody(foundation::Data::create(std::string(2 * 1024 * 1024, 'o')));
        session->dataTaskWithRequest(req)->resume();
    });
    ASSERT_TRUE(recorder.error());
    EXPECT_EQ(recorder.error()->code(), net::NSURLErrorNetworkConnectionLost);
    EXPECT_EQ(later, 1);
    EXPECT_EQ(server->connections(), 2);
    EXPECT_EQ(recorder.completions(), 2);
}
