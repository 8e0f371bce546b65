#include "LoopbackServers.h"
#include "SessionRecorder.h"
#include "Support/TempHome.h"

#include <httplib.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <fstream>
#include <future>

using urltest::HttpServer;
using urltest::SessionRecorder;
using urltest::makeSession;
using urltest::request;
using foundation::Ref;

namespace {

// One server for the whole binary: routes that answer at once.
class SessionTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server_ = new HttpServer();
        auto& routes = server_->routes();
        routes.Get("/hello", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("X-Greeting", "hi");
            res.set_content("hello world", "application/x-corvane; charset=UTF-8");
        });
        auto echo = [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.method + " " + req.get_header_value("Content-Type") + " " + req.body, "text/plain");
        };
        routes.Post("/echo", echo);
        routes.Put("/echo", echo);
        routes.Delete("/echo", echo);
        routes.Patch("/echo", echo);
        routes.Get("/big", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(3 * 1024 * 1024, 'x'), "application/octet-stream");
        });
        routes.Get("/file", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Content-Disposition", "attachment; filename=\"../../etc/Font Pack.zip\"");
            res.set_content(std::string(200000, 'f'), "application/zip");
        });
        routes.Get("/gzip", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.get_header_value("Accept-Encoding") + "|" + std::string(5000, 'z'), "text/plain");
        });
        routes.Get("/redirect", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/hello", 302); });
        routes.Post("/see-other", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/echo-get", 303); });
        routes.Get("/echo-get", [](const httplib::Request& req, httplib::Response& res) { res.set_content(req.method + " " + req.body, "text/plain"); });
        routes.Get("/loop", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop", 302); });
        routes.Get("/set-cookie", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Set-Cookie", "session=abc123; Path=/");
            res.set_content("set", "text/plain");
        });
        routes.Get("/show-cookie", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.get_header_value("Cookie"), "text/plain");
        });
        server_->start();
    }
    static void TearDownTestSuite() { delete server_; }

    static std::string url(const std::string& path) { return server_->url(path); }

    static HttpServer* server_;
};

HttpServer* SessionTest::server_ = nullptr;

} // namespace

TEST_F(SessionTest, DataTaskDeliversResponseDataAndCompletionInOrder)
{
    SessionRecorder recorder;
    recorder.recordResponses();
    auto session = makeSession(recorder);
    auto task = session->dataTaskWithRequest(request(url("/hello")));
    EXPECT_EQ(task->state(), net::URLSessionTaskState::Suspended);
    EXPECT_EQ(task->taskIdentifier(), 1u);
    task->resume();
    ASSERT_TRUE(recorder.waitForCompletions());
    EXPECT_EQ(recorder.events(), (std::vector<std::string>{"response 200", "data", "complete"}));
    EXPECT_EQ(recorder.body(), "hello world");
    auto response = std::dynamic_pointer_cast<net::HTTPURLResponse>(task->response());
    ASSERT_TRUE(response);
    EXPECT_EQ(response->statusCode(), 200);
    EXPECT_EQ(response->valueForHTTPHeaderField("x-greeting"), "hi");
    EXPECT_EQ(response->MIMEType(), "application/x-corvane");
    EXPECT_EQ(response->textEncodingName(), "utf-8");
    EXPECT_EQ(response->expectedContentLength(), 11);
    EXPECT_EQ(task->countOfBytesReceived(), 11);
    EXPECT_EQ(task->countOfBytesExpectedToReceive(), 11);
    EXPECT_EQ(task->state(), net::URLSessionTaskState::Completed);
    EXPECT_FALSE(task->error());
    EXPECT_EQ(session->dataTaskWithRequest(request(url("/hello")))->taskIdentifier(), 2u);
    session->invalidateAndCancel(); // a task never resumed would keep the session alive
    EXPECT_TRUE(recorder.waitForCompletions(2));
}

TEST_F(SessionTest, MethodsSendTheirBodies)
{
    for (const std::string method : {"POST", "PUT", "PATCH", "DELETE"}) {
        SessionRecorder recorder;
        auto session = makeSession(recorder);
        auto req = request(url("/echo"), method);
        req->setValue("application/json", "Content-Type");
        req->setHTTPBody(foundation::Data::create(std::string_view("{\"a\":1}")));
        session->dataTaskWithRequest(req)->resume();
        ASSERT_TRUE(recorder.waitForCompletions());
        EXPECT_EQ(recorder.body(), method + " application/json {\"a\":1}");
    }
}

TEST_F(SessionTest, HeadReportsTheLengthWithoutData)
{
    SessionRecorder recorder;
    auto session = makeSession(recorder);
    auto task = session->dataTaskWithRequest(request(url("/hello"), "HEAD"));
    task->resume();
    ASSERT_TRUE(recorder.waitForCompletions());
    EXPECT_EQ(recorder.body(), "");
    EXPECT_EQ(task->response()->expectedContentLength(), 11);
    EXPECT_FALSE(recorder.error());
}

TEST_F(SessionTest, UploadReportsBodyProgressUpToTheBodySize)
{
    SessionRecorder recorder;
    auto session = makeSession(recorder);
    std::string body(2 * 1024 * 1024, 'u');
    auto req = request(url("/echo"), "POST");
    req->setValue("application/octet-stream", "Content-Type");
    auto task = session->uploadTaskWithRequestFromData(req, foundation::Data::create(std::string_view(body)));
    task->resume();
    ASSERT_TRUE(recorder.waitForCompletions());
    auto sent = recorder.sentTotals();
    ASSERT_FALSE(sent.empty());
    EXPECT_TRUE(std::is_sorted(sent.begin(), sent.end()));
    EXPECT_EQ(sent.back(), static_cast<std::int64_t>(body.size()));
    EXPECT_EQ(task->countOfBytesExpectedToSend(), static_cast<std::int64_t>(body.size()));
    EXPECT_EQ(recorder.events().front(), "sent of " + std::to_string(body.size()));
    EXPECT_EQ(std::dynamic_pointer_cast<net::HTTPURLResponse>(task->response())->statusCode(), 200);
    EXPECT_EQ(recorder.body().size(), body.size() + 30);
    EXPECT_TRUE(recorder.body().starts_with("POST application/octet-stream uuu"));
}

TEST_F(SessionTest, UploadFromFileAndFromStream)
{
    auto folder = testsupport::makeScratchDir("upload");
    std::ofstream(folder / "body.txt") << "file body";
    SessionRecorder fromFile;
    auto session = makeSession(fromFile);
    session->uploadTaskWithRequestFromFile(request(url("/echo"), "PUT"), foundation::URL::fileURLWithPath((folder / "body.txt").string()))->resume();
    ASSERT_TRUE(fromFile.waitForCompletions());
    EXPECT_EQ(fromFile.body(), "PUT application/x-www-form-urlencoded file body");

    SessionRecorder missing;
    auto other = makeSession(missing);
    other->uploadTaskWithRequestFromFile(request(url("/echo"), "PUT"), foundation::URL::fileURLWithPath((folder / "absent").string()))->resume();
    ASSERT_TRUE(missing.waitForCompletions());
    ASSERT_TRUE(missing.error());
    EXPECT_EQ(missing.error()->code(), net::NSURLErrorFileDoesNotExist);

    SessionRecorder streamed;
    auto third = makeSession(streamed);
    auto req = request(url("/echo"), "POST");
    req->setValue("text/plain", "Content-Type");
    req->setHTTPBodyStream(net::InputStream::inputStreamWithData(foundation::Data::create(std::string_view("streamed body"))));
    auto task = third->uploadTaskWithStreamedRequest(req);
    task->resume();
    ASSERT_TRUE(streamed.waitForCompletions());
    EXPECT_EQ(streamed.body(), "POST text/plain streamed body");
    EXPECT_EQ(task->countOfBytesExpectedToSend(), -1);
}

TEST_F(SessionTest, DownloadHandsOverTheFileThenDeletesIt)
{
    SessionRecorder recorder;
    auto session = makeSession(recorder);
    auto task = session->downloadTaskWithRequest(request(url("/file")));
    task->resume();
    ASSERT_TRUE(recorder.waitForCompletions());
    EXPECT_EQ(recorder.downloadedBytes(), std::string(200000, 'f'));
    EXPECT_FALSE(recorder.downloadExistedAfterFinish());
    auto events = recorder.events();
    EXPECT_EQ(events, (std::vector<std::string>{"written", "finish", "complete"}));
    EXPECT_EQ(recorder.writtenTotals().back(), 200000);
    EXPECT_EQ(task->countOfBytesReceived(), 200000);
    EXPECT_EQ(task->response()->suggestedFilename(), "Font Pack.zip");
}

TEST_F(SessionTest, LargeDataArrivesWhole)
{
    SessionRecorder recorder;
    auto session = makeSession(recorder);
    session->dataTaskWithRequest(request(url("/big")))->resume();
    ASSERT_TRUE(recorder.waitForCompletions());
    EXPECT_EQ(recorder.body().size(), 3u * 1024 * 1024);
    EXPECT_EQ(recorder.body().find_first_not_of('x'), std::string::npos);
}

TEST_F(SessionTest, GzipIsAskedForAndDecoded)
{
    SessionRecorder recorder;
    auto session = makeSession(recorder);
    auto task = session->dataTaskWithRequest(request(url("/gzip")));
    task->resume();
    ASSERT_TRUE(recorder.waitForCompletions());
    EXPECT_EQ(recorder.body(), "gzip, deflate|" + std::string(5000, 'z'));
    auto response = std::dynamic_pointer_cast<net::HTTPURLResponse>(task->response());
    EXPECT_EQ(response->valueForHTTPHeaderField("Content-Encoding"), "gzip");
    EXPECT_EQ(response->expectedContentLength(), -1);
}

TEST_F(SessionTest, RedirectsAreFollowedByDefault)
{
    SessionRecorder recorder;
    recorder.recordResponses();
    auto session = makeSession(recorder);
    auto task = session->dataTaskWithRequest(request(url("/redirect")));
    task->resume();
    ASSERT_TRUE(recorder.waitForCompletions());
    EXPECT_EQ(recorder.events(), (std::vector<std::string>{"response 200", "data", "complete"}));
    EXPECT_EQ(task->response()->URL()->absoluteString(), url("/hello"));
    EXPECT_EQ(task->currentRequest()->URL()->absoluteString(), url("/hello"));
    EXPECT_EQ(task->originalRequest()->URL()->absoluteString(), url("/redirect"));
}

TEST_F(SessionTest, DelegateCanRefuseOrRewriteARedirect)
{
    SessionRecorder refusing;
    refusing.recordResponses();
    refusing.recordRedirects([](const Ref<net::URLRequest>&) { return nullptr; });
    auto session = makeSession(refusing);
    auto task = session->dataTaskWithRequest(request(url("/redirect")));
    task->resume();
    ASSERT_TRUE(refusing.waitForCompletions());
    EXPECT_EQ(refusing.events(), (std::vector<std::string>{"redirect 302", "response 302", "complete"}));
    EXPECT_EQ(std::dynamic_pointer_cast<net::HTTPURLResponse>(task->response())->statusCode(), 302);

    SessionRecorder rewriting;
    rewriting.recordRedirects([](const Ref<net::URLRequest>& next) {
        auto changed = next->clone();
        changed->setURL(foundation::URL::URLWithString("/show-cookie", next->URL()));
        return changed;
    });
    auto other = makeSession(rewriting);
    auto second = other->dataTaskWithRequest(request(url("/redirect")));
    second->resume();
    ASSERT_TRUE(rewriting.waitForCompletions());
    EXPECT_EQ(second->response()->URL()->absoluteString(), url("/show-cookie"));
}

TEST_F(SessionTest, SeeOtherTurnsAPostIntoAGet)
{
    SessionRecorder recorder;
    auto session = makeSession(recorder);
    auto req = request(url("/see-other"), "POST");
    req->setHTTPBody(foundation::Data::create(std::string_view("payload")));
    session->dataTaskWithRequest(req)->resume();
    ASSERT_TRUE(recorder.waitForCompletions());
    EXPECT_EQ(recorder.body(), "GET ");
}

TEST_F(SessionTest, EndlessRedirectsFail)
{
    SessionRecorder recorder;
    auto session = makeSession(recorder);
    session->dataTaskWithRequest(request(url("/loop")))->resume();
    ASSERT_TRUE(recorder.waitForCompletions());
    ASSERT_TRUE(recorder.error());
    EXPECT_EQ(recorder.error()->code(), net::NSURLErrorHTTPTooManyRedirects);
    EXPECT_EQ(recorder.completions(), 1);
}

TEST_F(SessionTest, CookiesAreSharedAcrossTasksAndSessions)
{
    SessionRecorder first;
    makeSession(first)->dataTaskWithRequest(request(url("/set-cookie")))->resume();
    ASSERT_TRUE(first.waitForCompletions());
    SessionRecorder second;
    makeSession(second)->dataTaskWithRequest(request(url("/show-cookie")))->resume();
    ASSERT_TRUE(second.waitForCompletions());
    EXPECT_EQ(second.body(), "session=abc123");

    SessionRecorder without;
    auto req = request(url("/show-cookie"));
    req->setHTTPShouldHandleCookies(false);
    makeSession(without)->dataTaskWithRequest(req)->resume();
    ASSERT_TRUE(without.waitForCompletions());
    EXPECT_EQ(without.body(), "");
}

TEST_F(SessionTest, CancelledResponseDispositionEndsTheTask)
{
    SessionRecorder recorder;
    recorder.recordResponses(net::ResponseDisposition::Cancel);
    auto session = makeSession(recorder);
    session->dataTaskWithRequest(request(url("/big")))->resume();
    ASSERT_TRUE(recorder.waitForCompletions());
    EXPECT_EQ(recorder.events(), (std::vector<std::string>{"response 200", "complete -999"}));
    EXPECT_EQ(recorder.body(), "");
}

TEST_F(SessionTest, InvalidationWaitsForRunningTasks)
{
    SessionRecorder recorder;
    std::promise<void> invalid;
    recorder.delegate->didBecomeInvalidWithError = [&](const auto&, const auto& error) {
        recorder.add(error ? "invalid with error" : "invalid");
        invalid.set_value();
    };
    auto session = makeSession(recorder);
    auto task = session->dataTaskWithRequest(request(url("/hello")));
    task->resume();
    session->finishTasksAndInvalidate();
    ASSERT_EQ(invalid.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(recorder.events(), (std::vector<std::string>{"data", "complete", "invalid"}));
    EXPECT_FALSE(session->delegate());
    EXPECT_THROW(session->dataTaskWithRequest(request(url("/hello"))), foundation::Exception);
}

TEST_F(SessionTest, InvalidateAndCancelCancelsSuspendedTasks)
{
    SessionRecorder recorder;
    auto session = makeSession(recorder);
    auto task = session->dataTaskWithRequest(request(url("/hello")));
    std::promise<std::size_t> live;
    session->getTasksWithCompletionHandler([&](auto data, auto upload, auto download) { live.set_value(data->count() + upload->count() + download->count()); });
    EXPECT_EQ(live.get_future().get(), 1u);
    session->invalidateAndCancel();
    ASSERT_TRUE(recorder.waitForCompletions());
    EXPECT_EQ(recorder.error()->code(), net::NSURLErrorCancelled);
    EXPECT_EQ(task->state(), net::URLSessionTaskState::Completed);
}
