#include "LoopbackServers.h"
#include "SessionRecorder.h"

#include <gtest/gtest.h>

#include <future>

using foundation::Ref;
using urltest::RawServer;
using urltest::SessionRecorder;
using urltest::makeSession;
using urltest::request;

namespace {

// Runs one GET against a server that answers with `reply` (then closes) and returns the error.
struct Outcome {
    Ref<foundation::Error> error;
    std::string body;
    int completions = 0;
};

Outcome fetch(const std::string& url)
{
    SessionRecorder recorder;
    auto session = makeSession(recorder);
    session->dataTaskWithRequest(request(url))->resume();
    EXPECT_TRUE(recorder.waitForCompletions());
    std::promise<void> drained;
    session->getTasksWithCompletionHandler([&](auto, auto, auto) { drained.set_value(); });
    drained.get_future().wait();
    return {recorder.error(), recorder.body(), recorder.completions()};
}

Outcome fetchReply(const std::string& reply)
{
    RawServer server([reply](int fd) {
        RawServer::readRequestHead(fd);
        RawServer::send(fd, reply);
    });
    return fetch(server.url("/bad"));
}

long long code(const Outcome& outcome)
{
    return outcome.error ? outcome.error->code() : 0;
}

} // namespace

TEST(RequestFailures, RefusedConnection)
{
    std::string url = "http://127.0.0.1:" + std::to_string(urltest::closedPort()) + "/x";
    auto outcome = fetch(url);
    ASSERT_EQ(code(outcome), net::NSURLErrorCannotConnectToHost);
    EXPECT_EQ(outcome.error->domain(), "NSURLErrorDomain");
    EXPECT_EQ(outcome.error->localizedDescription(), "Could not connect to the server.");
    EXPECT_EQ(outcome.error->objectForUserInfoKey(foundation::NSURLErrorFailingURLStringErrorKey).stringValue(), url);
    EXPECT_TRUE(outcome.error->objectForUserInfoKey(foundation::NSURLErrorFailingURLErrorKey).is<foundation::URL>());
    EXPECT_EQ(outcome.completions, 1);
}

TEST(RequestFailures, URLsThatCannotBeLoaded)
{
    EXPECT_EQ(code(fetch("ftp://127.0.0.1/file")), net::NSURLErrorUnsupportedURL);
    EXPECT_EQ(code(fetch("relative/path")), net::NSURLErrorUnsupportedURL);
    EXPECT_EQ(code(fetch("http:///nohost")), net::NSURLErrorBadURL);
    SessionRecorder recorder;
    makeSession(recorder)->dataTaskWithRequest(net::URLRequest::requestWithURL(nullptr))->resume();
    ASSERT_TRUE(recorder.waitForCompletions());
    EXPECT_EQ(recorder.error()->code(), net::NSURLErrorBadURL);
    EXPECT_EQ(recorder.error()->localizedDescription(), "bad URL");
}

TEST(ServerFaults, TruncatedBodyLosesTheConnection)
{
    auto outcome = fetchReply("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten b");
    EXPECT_EQ(code(outcome), net::NSURLErrorNetworkConnectionLost);
    EXPECT_EQ(outcome.error->localizedDescription(), "The network connection was lost.");
    EXPECT_EQ(outcome.completions, 1);
}

TEST(ServerFaults, ShortContentLengthEndsTheBodyThere)
{
    auto outcome = fetchReply("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\n0123456789");
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(outcome.body, "01234");
}

TEST(ServerFaults, ClosingWithoutAReply)
{
    EXPECT_EQ(code(fetchReply("")), net::NSURLErrorNetworkConnectionLost);
}

TEST(ServerFaults, NonHTTPReply)
{
    EXPECT_EQ(code(fetchReply("SSH-2.0-OpenSSH_9.2\r\nProtocol mismatch.\r\n")), net::NSURLErrorBadServerResponse);
}

TEST(ServerFaults, BrokenChunkedEncoding)
{
    auto outcome = fetchReply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\nZZ\r\nnot a chunk\r\n");
    EXPECT_EQ(code(outcome), net::NSURLErrorNetworkConnectionLost);
    EXPECT_EQ(outcome.completions, 1);
}

TEST(ServerFaults, HugeHeaderIsRefused)
{
    auto outcome = fetchReply("HTTP/1.1 200 OK\r\nX-Huge: " + std::string(300 * 1024, 'h') + "\r\nContent-Length: 2\r\n\r\nok");
    EXPECT_EQ(code(outcome), net::NSURLErrorBadServerResponse);
    EXPECT_EQ(outcome.completions, 1);
}

TEST(ServerFaults, ManyHeadersAreRefused)
{
    std::string head = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 4000; ++i)
        head += "X-Field-" + std::to_string(i) + ": " + std::string(80, 'v') + "\r\n";
    EXPECT_EQ(code(fetchReply(head + "Content-Length: 2\r\n\r\nok")), net::NSURLErrorBadServerResponse);
}

TEST(ServerFaults, BadGzipCannotBeDecoded)
{
    auto outcome = fetchReply("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 8\r\n\r\nnotgzip!");
    EXPECT_EQ(code(outcome), net::NSURLErrorCannotDecodeContentData);
}
