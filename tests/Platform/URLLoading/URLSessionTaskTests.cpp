#include "LoopbackServers.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Storage/Paths.h"
#include "SessionRecorder.h"

#include <httplib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

using foundation::Ref;
using urltest::Gate;
using urltest::HttpServer;
using urltest::RawServer;
using urltest::SessionRecorder;
using urltest::makeSession;
using urltest::request;

namespace {

// Sends a head and part of a body, then waits at the gate before sending the rest.
std::function<void(int)> partThenRest(Gate& gate)
{
    return [&gate](int fd) {
        RawServer::readRequestHead(fd);
        RawServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 10\r\nContent-Type: application/octet-stream\r\n\r\nhello");
        gate.wait();
        RawServer::send(fd, "world");
    };
}

struct PostedNotification {
    std::string name;
    unsigned long task;
};

} // namespace

TEST(TaskCancellation, CancelBeforeResumeCompletesOnce)
{
    SessionRecorder recorder;
    auto session = makeSession(recorder);
    auto task = session->dataTaskWithRequest(request("http://127.0.0.1:9/never"));
    task->cancel();
    task->cancel();
    ASSERT_TRUE(recorder.waitForCompletions());
    task->resume();
    EXPECT_EQ(task->state(), net::URLSessionTaskState::Completed);
    EXPECT_EQ(recorder.events(), (std::vector<std::string>{"complete -999"}));
    EXPECT_EQ(task->error()->localizedDescription(), "cancelled");
}

TEST(TaskCancellation, CancelMidTransferCompletesOnce)
{
    Gate gate;
    RawServer server(partThenRest(gate));
    SessionRecorder recorder;
    auto session = makeSession(recorder);
    auto task = session->dataTaskWithRequest(request(server.url("/slow")));
    task->resume();
    ASSERT_TRUE(recorder.waitForEvent("data"));
    task->cancel();
    EXPECT_NE(task->state(), net::URLSessionTaskState::Running);
    ASSERT_TRUE(recorder.waitForCompletions());
    task->cancel();
    gate.open();
    // Anything still queued for the task runs before this probe on the delegate queue.
    std::promise<void> drained;
    session->getTasksWithCompletionHandler([&](auto, auto, auto) { drained.set_value(); });
    drained.get_future().wait();
    EXPECT_EQ(recorder.completions(), 1);
    EXPECT_EQ(recorder.events(), (std::vector<std::string>{"data", "complete -999"}));
    EXPECT_EQ(recorder.body(), "hello");
}

TEST(DownloadBody, IsWrittenInTheClientsOwnTemporaryFolderAndGoesWhenDone)
{
    const auto folder = foundation::Paths::temporaryDirectory();
    std::filesystem::remove_all(folder);
    Gate gate;
    RawServer server(partThenRest(gate));
    SessionRecorder recorder;
    auto task = makeSession(recorder)->downloadTaskWithRequest(request(server.url("/body")));
    task->resume();
    ASSERT_TRUE(recorder.waitForEvent("written"));
    const auto body = task->downloadFile();
    EXPECT_EQ(body.parent_path(), folder);
    struct stat info {};
    ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    ASSERT_EQ(::lstat(body.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    gate.open();
    ASSERT_TRUE(recorder.waitForCompletions());
    EXPECT_FALSE(recorder.error());
    EXPECT_FALSE(std::filesystem::exists(body));
}

TEST(TaskSuspension, SuspendedTaskFinishesAfterResume)
{
    Gate gate;
    RawServer server(partThenRest(gate));
    SessionRecorder recorder;
    auto session = makeSession(recorder);
    auto task = session->dataTaskWithRequest(request(server.url("/slow")));
    task->resume();
    ASSERT_TRUE(recorder.waitForEvent("data"));
    task->suspend();
    EXPECT_EQ(task->state(), net::URLSessionTaskState::Suspended);
    gate.open();
    task->resume();
    ASSERT_TRUE(recorder.waitForCompletions());
    EXPECT_EQ(recorder.body(), "helloworld");
    EXPECT_FALSE(recorder.error());
}

TEST(TaskNotifications, ResumeAndSuspendAnnounceOnlyRealChanges)
{
    std::mutex mutex;
    std::vector<PostedNotification> posted;
    net::setTaskNotificationPoster([&](std::string_view name, const Ref<net::URLSessionTask>& task) {
        std::lock_guard lock(mutex);
        posted.push_back({std::string(name), task->taskIdentifier()});
    });
    // A server that takes the request and never answers keeps the task running until it is
    // cancelled, so no failure can complete it between the calls below.
    Gate answer;
    RawServer silent([&answer](int fd) {
        RawServer::readRequestHead(fd);
        answer.wait();
    });
    SessionRecorder recorder;
    auto session = makeSession(recorder);
    auto task = session->dataTaskWithRequest(request(silent.url("/never")));
    task->suspend(); // already suspended: silent
    task->resume();
    task->resume(); // already running: silent
    task->suspend();
    task->suspend();
    task->cancel();
    ASSERT_TRUE(recorder.waitForCompletions());
    answer.open();
    net::setTaskNotificationPoster(nullptr);
    std::lock_guard lock(mutex);
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].name, "com.ostrelle.networking.nsurlsessiontask.resume");
    EXPECT_EQ(posted[1].name, "com.ostrelle.networking.nsurlsessiontask.suspend");
    EXPECT_EQ(posted[0].task, task->taskIdentifier());
}

TEST(TaskNotifications, DefaultCentreHearsResumeWithTheTaskAsObject)
{
    SessionRecorder recorder;
    auto session = makeSession(recorder);
    auto task = session->dataTaskWithRequest(request("http://127.0.0.1:9/never"));
    std::vector<std::string> heard;
    auto token = dispatch::NotificationCenter::defaultCenter().addObserver(
        "", foundation::Id(Ref<net::URLSessionTask>(task)), nullptr, [&](const dispatch::Notification& note) { heard.push_back(note.name); });
    task->resume();
    task->cancel();
    ASSERT_TRUE(recorder.waitForCompletions());
    EXPECT_EQ(heard, (std::vector<std::string>{"com.ostrelle.networking.nsurlsessiontask.resume"}));
}

TEST(TaskTimeout, StalledServerTimesOut)
{
    Gate gate;
    RawServer server([&gate](int fd) {
        RawServer::readRequestHead(fd);
        gate.wait();
    });
    SessionRecorder recorder;
    auto session = makeSession(recorder);
    auto req = request(server.url("/stall"));
    req->setTimeoutInterval(1);
    session->dataTaskWithRequest(req)->resume();
    ASSERT_TRUE(recorder.waitForCompletions());
    gate.open();
    auto error = recorder.error();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), net::NSURLErrorTimedOut);
    EXPECT_EQ(error->localizedDescription(), "The request timed out.");
    EXPECT_EQ(error->objectForUserInfoKey(foundation::NSURLErrorFailingURLStringErrorKey).stringValue(), server.url("/stall"));
}

TEST(TaskTimeout, SlowSteadyTransferIsNotKilled)
{
    // The time-out is idle time: a slow transfer that keeps moving (above the low-speed floor of
    // 64 bytes a second) outlives it several times over.
    RawServer server([](int fd) {
        RawServer::readRequestHead(fd);
        std::vector<std::string> pieces{"HTTP/1.1 200 OK\r\nContent-Length: 512\r\nContent-Type: application/octet-stream\r\n\r\n"};
        pieces.resize(9, std::string(64, 's'));
        RawServer::sendPaced(fd, pieces, std::chrono::milliseconds(200));
    });
    SessionRecorder recorder;
    auto session = makeSession(recorder);
    auto req = request(server.url("/trickle"));
    req->setTimeoutInterval(0.5);
    session->dataTaskWithRequest(req)->resume();
    ASSERT_TRUE(recorder.waitForCompletions());
    EXPECT_FALSE(recorder.error()) << recorder.error()->description();
    EXPECT_EQ(recorder.body(), std::string(512, 's'));
}

TEST(TaskBackPressure, SlowDelegateStillGetsEveryByteInOrder)
{
    // The delegate sits on its first chunk while the server keeps sending: the transfer must stop
    // reading instead of buffering without bound, and pick up again once the delegate catches up.
    constexpr std::size_t total = 24 * 1024 * 1024;
    std::atomic<std::size_t> served{0};
    Gate gate;
    HttpServer server;
    server.routes().Get("/stream", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(total, "application/octet-stream", [&](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            std::string chunk(std::min<std::size_t>(length, 64 * 1024), '\0');
            for (std::size_t i = 0; i < chunk.size(); ++i)
                chunk[i] = static_cast<char>((offset + i) % 251);
            bool ok = sink.write(chunk.data(), chunk.size());
            served += chunk.size();
            gate.notify();
            return ok;
        });
    });
    server.start();

    SessionRecorder recorder;
    std::size_t received = 0;
    bool inOrder = true;
    bool first = true;
    recorder.delegate->didReceiveData = [&](const auto&, const auto&, const Ref<foundation::Data>& data) {
        if (first) {
            first = false;
            gate.waitFor([&] { return served >= 10 * 1024 * 1024; });
            recorder.add(served >= 10 * 1024 * 1024 ? "server ran ahead" : "server stalled");
        }
        for (std::size_t i = 0; i < data->length(); ++i)
            inOrder = inOrder && data->bytes()[i] == static_cast<std::uint8_t>((received + i) % 251);
        received += data->length();
    };
    makeSession(recorder)->dataTaskWithRequest(request(server.url("/stream")))->resume();
    ASSERT_TRUE(recorder.waitForCompletions(1, 120)) << "24 MiB through a delegate that checks every byte; slow under the sanitizers";
    EXPECT_FALSE(recorder.error());
    EXPECT_EQ(received, total);
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(recorder.events().front(), "server ran ahead");
}

TEST(ConnectionLimit, SixTransfersPerHostPerSession)
{
    Gate gate;
    std::atomic<int> inside{0};
    std::atomic<int> most{0};
    HttpServer server;
    server.routes().Get("/block", [&](const httplib::Request&, httplib::Response& res) {
        int now = ++inside;
        int seen = most;
        while (now > seen && !most.compare_exchange_weak(seen, now)) { }
        gate.notify();
        gate.wait();
        --inside;
        res.set_content("done", "application/octet-stream");
    });
    server.routes().Get("/free", [](const httplib::Request&, httplib::Response& res) { res.set_content("free", "application/octet-stream"); });
    server.start();

    SessionRecorder recorder;
    auto session = makeSession(recorder);
    for (int i = 0; i < 8; ++i)
        session->dataTaskWithRequest(request(server.url("/block")))->resume();
    ASSERT_TRUE(gate.waitFor([&] { return inside == 6; }));

    SessionRecorder other;
    makeSession(other)->dataTaskWithRequest(request(server.url("/free")))->resume();
    ASSERT_TRUE(other.waitForCompletions()) << "another session has slots of its own";
    EXPECT_EQ(other.body(), "free");

    gate.open();
    ASSERT_TRUE(recorder.waitForCompletions(8));
    EXPECT_EQ(most, 6);
    EXPECT_EQ(recorder.body(), std::string("done").append("done").append("done").append("done").append("done").append("done").append("done").append("done"));
}
