#include "Lib/Networking/NKHTTPResponseSerializer.h"
#include "Lib/Networking/NKJSONResponseSerializer.h"
#include "Lib/Networking/NKNetworking.h"
#include "Lib/Networking/NKURLSessionManager.h"

#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/Progress.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/URLLoading/LoopbackServers.h"
#include "Platform/URLLoading/URLLoading.h"
#include "Support/TempHome.h"

#include <httplib.h>
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>

using foundation::Id;
using foundation::Ref;

namespace {

class NKURLSessionManagerTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server_ = new urltest::HttpServer();
        auto& routes = server_->routes();
        routes.Get("/json", [](const httplib::Request&, httplib::Response& res) { res.set_content("{\"ok\":true}", "application/json"); });
        routes.Get("/html", [](const httplib::Request&, httplib::Response& res) { res.set_content("<p/>", "text/html"); });
        routes.Get("/font", [](const httplib::Request&, httplib::Response& res) { res.set_content(std::string(70000, 'F'), "font/ttf"); });
        routes.Get("/hop", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/json", 302); });
        routes.Post("/upload", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content("{\"size\":" + std::to_string(req.body.size()) + "}", "application/json");
        });
        server_->start();
    }
    static void TearDownTestSuite() { delete server_; }

    static Ref<net::URLRequest> request(const std::string& path)
    {
        return net::URLRequest::requestWithURL(foundation::URL::URLWithString(server_->url(path)));
    }
    static Ref<net::URLRequest> post(const std::string& path)
    {
        auto made = request(path);
        made->setHTTPMethod("POST");
        return made;
    }
    static bool wait(const std::function<bool()>& predicate) { return dispatch::RunLoop::runUntil(predicate, 20); }

    static urltest::HttpServer* server_;
};

urltest::HttpServer* NKURLSessionManagerTest::server_ = nullptr;

struct Completion {
    bool done = false;
    Ref<net::URLResponse> response;
    Id object;
    Ref<foundation::Error> error;

    NKCompletionHandler handler()
    {
        return [this](const Ref<net::URLResponse>& r, const Id& o, const Ref<foundation::Error>& e) {
            response = r;
            object = o;
            error = e;
            done = true;
        };
    }
};

} // namespace

TEST_F(NKURLSessionManagerTest, CompletionNotificationCarriesTheUserInfoKeys)
{
    auto manager = NKURLSessionManager::create();
    std::vector<dispatch::Notification> completed;
    auto subscription = dispatch::NotificationCenter::defaultCenter().addObserver(
        std::string(NKNetworkingTaskDidCompleteNotification), nullptr, nullptr, [&](const dispatch::Notification& n) { completed.push_back(n); });
    Completion completion;
    auto task = manager->dataTaskWithRequest(request("/json"), completion.handler());
    EXPECT_EQ(task->taskDescription(), manager->taskDescriptionForSessionTasks());
    task->resume();
    ASSERT_TRUE(wait([&] { return completed.size() == 1; }));
    EXPECT_TRUE(completion.done); // the block runs before the notification
    EXPECT_TRUE(completion.object["ok"].boolValue());
    const auto& info = completed[0].userInfo;
    EXPECT_EQ(completed[0].object.get(), task.get());
    EXPECT_EQ(info->objectForKey(NKNetworkingTaskDidCompleteResponseSerializerKey).get(), manager->responseSerializer().get());
    EXPECT_EQ(info->objectForKey("com.ostrelle.networking.complete.finish.responsedata").as<foundation::Data>()->view(), "{\"ok\":true}");
    EXPECT_TRUE(info->objectForKey(NKNetworkingTaskDidCompleteSerializedResponseKey)["ok"].boolValue());
    EXPECT_FALSE(info->containsKey(NKNetworkingTaskDidCompleteErrorKey));
    EXPECT_FALSE(info->containsKey(NKNetworkingTaskDidCompleteAssetPathKey));
}

TEST_F(NKURLSessionManagerTest, SerializationErrorIsInTheCompletionAndNotification)
{
    auto manager = NKURLSessionManager::create();
    std::vector<dispatch::Notification> completed;
    Completion completion;
    auto task = manager->dataTaskWithRequest(request("/html"), completion.handler());
    auto own = dispatch::NotificationCenter::defaultCenter().addObserver(
        std::string(NKNetworkingTaskDidCompleteNotification), Id(task), nullptr, [&](const dispatch::Notification& n) { completed.push_back(n); });
    task->resume();
    ASSERT_TRUE(wait([&] { return completed.size() == 1; }));
    ASSERT_TRUE(completion.error);
    EXPECT_EQ(completion.error->code(), -1016);
    EXPECT_EQ(completed[0].userInfo->objectForKey(NKNetworkingTaskDidCompleteErrorKey).get(), completion.error.get());
    EXPECT_FALSE(completed[0].userInfo->containsKey(NKNetworkingTaskDidCompleteSerializedResponseKey));
}

TEST_F(NKURLSessionManagerTest, ResumeAndSuspendAreAnnouncedOnlyForOwnTasks)
{
    auto first = NKURLSessionManager::create();
    auto second = NKURLSessionManager::create();
    std::vector<std::pair<std::string, void*>> announced;
    auto& center = dispatch::NotificationCenter::defaultCenter();
    auto onResume = center.addObserver(std::string(NKNetworkingTaskDidResumeNotification), nullptr, nullptr, [&](const dispatch::Notification& n) {
        EXPECT_TRUE(dispatch::isMainThread());
        announced.emplace_back("resume", n.object.get());
    });
    auto onSuspend = center.addObserver(std::string(NKNetworkingTaskDidSuspendNotification), nullptr, nullptr,
                                        [&](const dispatch::Notification& n) { announced.emplace_back("suspend", n.object.get()); });

    Completion a;
    Completion b;
    auto own = first->dataTaskWithRequest(request("/json"), a.handler());
    auto direct = first->session()->dataTaskWithRequest(request("/json"));
    own->suspend(); // already suspended: nothing
    own->resume();
    own->resume(); // already running: nothing
    direct->resume();
    auto other = second->dataTaskWithRequest(request("/json"), b.handler());
    other->resume();
    ASSERT_TRUE(wait([&] { return a.done && b.done && announced.size() >= 2; }))
        << a.done << b.done << announced.size() << " " << own->description();
    dispatch::RunLoop::drain();
    // Announcements of earlier tests' tasks may still be on the main queue.
    std::erase_if(announced, [&](const auto& entry) { return entry.second != own.get() && entry.second != direct.get() && entry.second != other.get(); });
    ASSERT_EQ(announced.size(), 2u);
    EXPECT_EQ(announced[0], std::make_pair(std::string("resume"), static_cast<void*>(own.get())));
    EXPECT_EQ(announced[1], std::make_pair(std::string("resume"), static_cast<void*>(other.get())));
}

TEST_F(NKURLSessionManagerTest, CompletionQueueAndGroup)
{
    auto manager = NKURLSessionManager::create();
    auto queue = dispatch::makeSerialQueue("test.completion");
    dispatch::Group group;
    manager->setCompletionQueue(queue);
    manager->setCompletionGroup(group);
    std::atomic<bool> onQueue{false};
    std::atomic<int> calls{0};
    for (int i = 0; i < 3; ++i) {
        manager->dataTaskWithRequest(request("/json"), [&](const Ref<net::URLResponse>&, const Id& object, const Ref<foundation::Error>&) {
            onQueue = queue->isCurrent() && object["ok"].boolValue();
            ++calls;
        })->resume();
    }
    ASSERT_TRUE(wait([&] { return calls == 3; }));
    EXPECT_TRUE(group.wait(10));
    EXPECT_TRUE(onQueue);
}

TEST_F(NKURLSessionManagerTest, DownloadMovesToTheDestinationReplacingAnOlderFile)
{
    const auto folder = testsupport::makeScratchDir("downloads");
    const auto destination = folder / "font.ttf";
    std::ofstream(destination) << "old";
    auto manager = NKURLSessionManager::create();
    Completion completion;
    std::shared_ptr<dispatch::Progress> lastProgress;
    auto task = manager->downloadTaskWithRequest(
        request("/font"), [&](const std::shared_ptr<dispatch::Progress>& progress) { lastProgress = progress; },
        [&](const Ref<foundation::URL>& temporary, const Ref<net::URLResponse>& response) {
            EXPECT_TRUE(std::filesystem::exists(temporary->path()->utf8()));
            EXPECT_EQ(std::static_pointer_cast<net::HTTPURLResponse>(response)->statusCode(), 200);
            return foundation::URL::fileURLWithPath(destination.string());
        },
        completion.handler());
    task->resume();
    ASSERT_TRUE(wait([&] { return completion.done; }));
    EXPECT_FALSE(completion.error);
    EXPECT_EQ(completion.object.as<foundation::URL>()->path()->utf8(), destination.string());
    EXPECT_EQ(std::filesystem::file_size(destination), 70000u);
    ASSERT_TRUE(lastProgress);
    EXPECT_EQ(lastProgress->completedUnitCount(), 70000);
}

TEST_F(NKURLSessionManagerTest, FailedMoveIsAFailureNotASuccess)
{
    const auto folder = testsupport::makeScratchDir("downloads-fail");
    auto manager = NKURLSessionManager::create();
    std::vector<dispatch::Notification> moveFailures;
    auto subscription = dispatch::NotificationCenter::defaultCenter().addObserver(
        std::string(NKURLSessionDownloadTaskDidFailToMoveFileNotification), nullptr, nullptr,
        [&](const dispatch::Notification& n) { moveFailures.push_back(n); });
    Completion completion;
    const auto destination = folder / "no-such-folder" / "font.ttf";
    manager->downloadTaskWithRequest(request("/font"), nullptr,
                                     [&](const Ref<foundation::URL>&, const Ref<net::URLResponse>&) {
                                         return foundation::URL::fileURLWithPath(destination.string());
                                     },
                                     completion.handler())
        ->resume();
    ASSERT_TRUE(wait([&] { return completion.done; }));
    ASSERT_EQ(moveFailures.size(), 1u);
    ASSERT_TRUE(completion.error);
    EXPECT_EQ(completion.error->domain(), foundation::NSCocoaErrorDomain);
    EXPECT_TRUE(completion.object.isNil());
    EXPECT_EQ(moveFailures[0].userInfo->objectForKey(foundation::NSFilePathErrorKey).stringValue(), destination.string());
    EXPECT_FALSE(std::filesystem::exists(destination));
}

TEST_F(NKURLSessionManagerTest, DownloadWithoutDestinationGetsTheSerializerResult)
{
    auto manager = NKURLSessionManager::create();
    manager->setResponseSerializer(NKHTTPResponseSerializer::serializer());
    Completion completion;
    std::vector<dispatch::Notification> completed;
    auto task = manager->downloadTaskWithRequest(request("/font"), nullptr, nullptr, completion.handler());
    auto subscription = dispatch::NotificationCenter::defaultCenter().addObserver(
        std::string(NKNetworkingTaskDidCompleteNotification), Id(task), nullptr, [&](const dispatch::Notification& n) { completed.push_back(n); });
    task->resume();
    ASSERT_TRUE(wait([&] { return completed.size() == 1; }));
    ASSERT_TRUE(completion.object.as<foundation::Data>());
    EXPECT_EQ(completion.object.as<foundation::Data>()->length(), 0u);
    EXPECT_EQ(completed[0].userInfo->objectForKey(NKNetworkingTaskDidCompleteResponseDataKey).as<foundation::Data>()->length(), 0u);
}

TEST_F(NKURLSessionManagerTest, AManagerForOneDownloadLetsItsSessionGo)
{
    std::weak_ptr<NKURLSessionManager> weakManager;
    std::weak_ptr<net::URLSession> weakSession;
    Completion completion;
    {
        auto manager = NKURLSessionManager::create();
        weakManager = manager;
        weakSession = manager->session();
        manager->downloadTaskWithRequest(request("/font"), nullptr, nullptr, completion.handler())->resume();
    }
    EXPECT_FALSE(weakManager.expired()); // kept alive by its task
    ASSERT_TRUE(wait([&] { return completion.done; }));
    EXPECT_FALSE(completion.error);
    ASSERT_TRUE(wait([&] { return weakManager.expired() && weakSession.expired(); }));
}

TEST_F(NKURLSessionManagerTest, TaskListsAnswerFromTheDelegateQueueToo)
{
    auto manager = NKURLSessionManager::create();
    auto data = manager->dataTaskWithRequest(request("/json"), nullptr);
    auto upload = manager->uploadTaskWithRequestFromData(post("/upload"), foundation::Data::create("abc"), nullptr, nullptr);
    auto download = manager->downloadTaskWithRequest(request("/font"), nullptr, nullptr, nullptr);
    Ref<foundation::Array> all;
    manager->operationQueue()->sync([&] { all = manager->tasks(); });
    ASSERT_TRUE(all);
    ASSERT_EQ(all->count(), 3u);
    EXPECT_EQ(all->objectAtIndex(0).get(), data.get());
    EXPECT_EQ(all->objectAtIndex(1).get(), upload.get());
    EXPECT_EQ(all->objectAtIndex(2).get(), download.get());
    EXPECT_EQ(manager->uploadTasks()->count(), 1u);
    EXPECT_EQ(manager->dataTasks()->count(), 1u);
    EXPECT_FALSE(manager->tasksForKeyPath("runningTasks"));
    manager->invalidateSessionCancelingTasks(true);
}

TEST_F(NKURLSessionManagerTest, UploadProgressAndRedirectBlock)
{
    auto manager = NKURLSessionManager::create();
    std::vector<std::string> redirects;
    manager->setTaskWillPerformHTTPRedirectionBlock([&](const Ref<net::URLSession>&, const Ref<net::URLSessionTask>&,
                                                        const Ref<net::HTTPURLResponse>& response, const Ref<net::URLRequest>& next) {
        redirects.push_back(std::to_string(response->statusCode()) + " " + next->URL()->path()->utf8());
        return next;
    });
    std::atomic<std::int64_t> sent{0};
    std::atomic<std::int64_t> expected{0};
    manager->setTaskDidSendBodyDataBlock(
        [&](const Ref<net::URLSession>&, const Ref<net::URLSessionTask>&, std::int64_t, std::int64_t total, std::int64_t expectedTotal) {
            sent = total;
            expected = expectedTotal;
        });
    Completion redirected;
    manager->dataTaskWithRequest(request("/hop"), redirected.handler())->resume();
    Completion uploaded;
    std::atomic<double> fraction{0};
    manager->uploadTaskWithRequestFromData(post("/upload"), foundation::Data::create(std::string(5000, 'u')),
                                           [&](const std::shared_ptr<dispatch::Progress>& progress) { fraction = progress->fractionCompleted(); },
                                           uploaded.handler())
        ->resume();
    ASSERT_TRUE(wait([&] { return redirected.done && uploaded.done; }));
    EXPECT_TRUE(redirected.object["ok"].boolValue());
    EXPECT_EQ(redirects, std::vector<std::string>{"302 /json"});
    EXPECT_EQ(uploaded.object["size"].integerValue(), 5000) << uploaded.object.description() << " " << Id(uploaded.error).description();
    EXPECT_EQ(sent, 5000);
    EXPECT_EQ(expected, 5000);
    EXPECT_EQ(fraction, 1.0);
}

TEST_F(NKURLSessionManagerTest, ResponseBlockDecidesWhetherDataTasksContinue)
{
    auto manager = NKURLSessionManager::create();
    auto firstSession = manager->session();
    std::vector<std::string> seen;
    manager->setDataTaskDidReceiveResponseBlock([&](const Ref<net::URLSession>&, const Ref<net::URLSessionDataTask>&,
                                                    const Ref<net::URLResponse>& response) {
        seen.push_back(*response->MIMEType());
        return response->MIMEType() == "text/html" ? net::ResponseDisposition::Cancel : net::ResponseDisposition::Allow;
    });
    EXPECT_NE(manager->session(), firstSession);
    Completion html;
    Completion json;
    manager->dataTaskWithRequest(request("/html"), html.handler())->resume();
    manager->dataTaskWithRequest(request("/json"), json.handler())->resume();
    ASSERT_TRUE(wait([&] { return html.done && json.done; }));
    ASSERT_TRUE(html.error);
    EXPECT_EQ(html.error->code(), net::NSURLErrorCancelled);
    EXPECT_TRUE(json.object["ok"].boolValue());
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(NKURLSessionManagerTest, InvalidationIsAnnounced)
{
    auto manager = NKURLSessionManager::create();
    bool blockCalled = false;
    bool posted = false;
    manager->setSessionDidBecomeInvalidBlock([&](const Ref<net::URLSession>&, const Ref<foundation::Error>&) { blockCalled = true; });
    auto subscription = dispatch::NotificationCenter::defaultCenter().addObserver(
        std::string(NKURLSessionDidInvalidateNotification), Id(manager->session()), &dispatch::mainQueue(),
        [&](const dispatch::Notification&) { posted = true; });
    manager->invalidateSessionCancelingTasks(false);
    ASSERT_TRUE(wait([&] { return posted; }));
    EXPECT_TRUE(blockCalled);
}

TEST_F(NKURLSessionManagerTest, CopyIsANewManagerOverTheSameConfiguration)
{
    auto configuration = net::URLSessionConfiguration::defaultSessionConfiguration();
    configuration->timeoutIntervalForRequest = 12;
    auto manager = NKURLSessionManager::create(configuration);
    auto copy = std::static_pointer_cast<NKURLSessionManager>(manager->copy());
    EXPECT_NE(copy, manager);
    EXPECT_EQ(copy->session()->configuration()->timeoutIntervalForRequest, 12);
    EXPECT_NE(copy->session(), manager->session());
    const std::string text = manager->description();
    EXPECT_EQ(text.rfind("<NKURLSessionManager: " + manager->taskDescriptionForSessionTasks() + ", session: ", 0), 0u) << text;
}
