#include "ServiceTestClient.h"

#include "catalogue/ZipWriter.h"
#include "local-service/FaultScript.h"

#include <QJsonDocument>
#include <arpa/inet.h>
#include <httplib.h>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using localservice::Fault;
using servicetest::ServiceTest;

namespace {

class ScriptedFaults : public ServiceTest {
protected:
    static Fault make(Fault::Kind kind)
    {
        Fault fault;
        fault.kind = kind;
        return fault;
    }

    // A POST with neither Content-Length nor a chunked body, as `curl -X POST` sends it: the status
    // line's code and the body.
    static std::pair<int, QJsonObject> postWithoutBody(const std::string& path)
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(service().port());
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        const std::string request = "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
        EXPECT_EQ(::send(fd, request.data(), request.size(), 0), static_cast<ssize_t>(request.size()));
        std::string reply;
        char buffer[4096];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
            reply.append(buffer, static_cast<size_t>(n));
        ::close(fd);
        const size_t bodyAt = reply.find("\r\n\r\n");
        const int status = reply.size() > 12 ? std::atoi(reply.substr(9, 3).c_str()) : 0;
        const std::string body = bodyAt == std::string::npos ? std::string() : reply.substr(bodyAt + 4);
        return {status, QJsonDocument::fromJson(QByteArray::fromStdString(body)).object()};
    }

    static std::string error(const servicetest::ServiceTestClient::Reply& reply)
    {
        EXPECT_FALSE(reply.json.value("ok").toBool(true)) << reply.body;
        return reply.json.value("error").toString().toStdString();
    }
};

} // namespace

TEST_F(ScriptedFaults, ErrorCodeAndMessageReplaceTheAnswer)
{
    Fault fault = make(Fault::Kind::ErrorCode);
    fault.errcode = 57;
    fault.message = "服务器繁忙";
    service().faults().set("getTag", fault);
    const auto reply = client().call("getTag", {{"tag", "129"}});
    EXPECT_EQ(reply.errcode(), 57);
    EXPECT_EQ(reply.message(), "服务器繁忙");
    EXPECT_EQ(reply.json.value("tag").toString(), "129");
    EXPECT_EQ(client().call("getBaseInfo", {{"tag", "130"}}).errcode(), 0) << "other operations are untouched";
}

TEST_F(ScriptedFaults, KeyedByTagAlsoMatchesOperationsOnTheBaseUrl)
{
    service().faults().set("100", make(Fault::Kind::TokenExpired));
    EXPECT_EQ(client().call("", {{"tag", "100"}}).errcode(), 122);
    EXPECT_EQ(client().call("", {{"tag", "142"}, {"page", "1"}}).errcode(), 0);
}

TEST_F(ScriptedFaults, Http500AndNonJsonBodies)
{
    service().faults().set("login", make(Fault::Kind::Http500));
    auto reply = client().call("login", {{"tag", "114"}, {"name", "demo"}, {"password", "demo1234"}});
    EXPECT_EQ(reply.status, 500);
    EXPECT_FALSE(reply.isJson);
    service().faults().set("login", make(Fault::Kind::NotJson));
    reply = client().call("login", {{"tag", "114"}, {"name", "demo"}, {"password", "demo1234"}});
    EXPECT_EQ(reply.status, 200);
    EXPECT_FALSE(reply.isJson);
    EXPECT_EQ(reply.contentType, "text/html");
    EXPECT_EQ(service().requestLog().withTag("114").size(), 2u) << "faulted requests are logged too";
}

TEST_F(ScriptedFaults, CountedFaultsRunOut)
{
    Fault fault = make(Fault::Kind::ErrorCode);
    fault.errcode = 9;
    fault.remaining = 2;
    service().faults().set("129", fault);
    EXPECT_EQ(client().call("getTag", {{"tag", "129"}}).errcode(), 9);
    EXPECT_EQ(client().call("getTag", {{"tag", "129"}}).errcode(), 9);
    EXPECT_EQ(client().call("getTag", {{"tag", "129"}}).errcode(), 0);
}

TEST_F(ScriptedFaults, DelayedRepliesStillArrive)
{
    Fault fault;
    fault.delay = std::chrono::milliseconds(50);
    service().faults().set("getTag", fault);
    EXPECT_EQ(client().call("getTag", {{"tag", "129"}}).errcode(), 0);
}

TEST_F(ScriptedFaults, ALateReplyLandsWhenReleased)
{
    Fault fault = make(Fault::Kind::LateReply);
    fault.delay = std::chrono::seconds(60);
    fault.remaining = 1;
    service().faults().set("getTag", fault);
    client().setReadTimeoutSeconds(20);
    std::thread waiting([&] { EXPECT_EQ(client().call("getTag", {{"tag", "129"}}).errcode(), 0); });
    while (service().faults().heldCount() < 1)
        std::this_thread::yield();
    EXPECT_EQ(service().faults().hangingCount(), 0) << "held, not hanging";
    service().faults().releaseHeld();
    waiting.join();
    EXPECT_EQ(service().faults().heldCount(), 0);
    EXPECT_EQ(client().call("getTag", {{"tag", "129"}}).errcode(), 0) << "the fault was used up";
}

TEST_F(ScriptedFaults, ALostReplyIsA502AfterTheOperationWasDone)
{
    const std::string token = client().registerNewUser(service());
    Fault fault = make(Fault::Kind::LostReply);
    fault.remaining = 1;
    service().faults().set("createCollect", fault);
    EXPECT_EQ(client().call("createCollect", {{"tag", "133"}, {"name", "丢了回复"}}, token).status, 502);
    EXPECT_EQ(client().call("createCollect", {{"tag", "133"}, {"name", "丢了回复"}}, token).message(),
              "收藏夹名称已存在")
        << "the first request made the folder";
}

TEST_F(ScriptedFaults, NoReplyHoldsTheRequestUntilCleared)
{
    service().faults().set("getTag", make(Fault::Kind::NoReply));
    client().setReadTimeoutSeconds(1);
    const auto timedOut = client().call("getTag", {{"tag", "129"}});
    EXPECT_EQ(timedOut.status, 0) << "the client gave up without an answer";

    servicetest::ServiceTestClient second(service());
    std::thread waiting([&] { EXPECT_EQ(second.call("getTag", {{"tag", "129"}}).status, 503); });
    // Both requests are held (the first one's handler still waits after its client gave up).
    while (service().faults().hangingCount() < 2)
        std::this_thread::yield();
    service().faults().clear("getTag");
    waiting.join();
}

TEST_F(ScriptedFaults, TruncatedDownloadAnnouncesMoreThanItSends)
{
    const auto full = client().get("/files/fonts/" + std::string("DejaVuSans.zip"));
    const auto anyArchive = full.status == 200 ? std::string("fonts/DejaVuSans.zip") : std::string();
    ASSERT_FALSE(anyArchive.empty());
    Fault fault = make(Fault::Kind::TruncatedDownload);
    fault.truncateAfter = 1000;
    service().faults().set("fonts/", fault);
    httplib::Client raw("127.0.0.1", service().port());
    std::string received;
    const auto result = raw.Get(("/files/" + anyArchive).c_str(), [&](const char* data, size_t length) {
        received.append(data, length);
        return true;
    });
    EXPECT_FALSE(result && result->status == 200 && received.size() == full.body.size());
    EXPECT_EQ(received.size(), 1000u);
    EXPECT_EQ(received, full.body.substr(0, 1000));
}

TEST_F(ScriptedFaults, SlowDownloadDeliversEveryByte)
{
    const auto full = client().get("/files/previews/" + std::to_string(1001) + "_day.png");
    const std::string path = full.status == 200 ? "/files/previews/1001_day.png" : "/files/images/questionnaire.png";
    const auto reference = client().get(path);
    Fault fault = make(Fault::Kind::SlowDownload);
    fault.bytesPerSecond = 4 * 1024 * 1024;
    service().faults().set("files", fault);
    const auto slow = client().get(path);
    EXPECT_EQ(slow.status, 200);
    EXPECT_EQ(slow.body, reference.body);
}

TEST_F(ScriptedFaults, AHeldFileSendsItsFirstHalfThenTheRestWhenReleased)
{
    const auto full = client().get("/files/fonts/DejaVuSans.zip");
    ASSERT_EQ(full.status, 200);
    Fault fault = make(Fault::Kind::LateReply);
    fault.delay = std::chrono::seconds(60);
    fault.remaining = 1;
    service().faults().set("fonts/", fault);
    httplib::Client raw("127.0.0.1", service().port());
    std::mutex mutex;
    std::string received;
    std::size_t receivedWhenHeld = 0;
    std::thread waiting([&] {
        const auto result = raw.Get("/files/fonts/DejaVuSans.zip", [&](const char* data, size_t length) {
            std::lock_guard lock(mutex);
            received.append(data, length);
            return true;
        });
        EXPECT_TRUE(result && result->status == 200);
    });
    while (service().faults().heldCount() < 1)
        std::this_thread::yield();
    // The first half was written before the hold; it may still be on its way to the client.
    for (;;) {
        std::lock_guard lock(mutex);
        if (received.size() >= full.body.size() / 2) {
            receivedWhenHeld = received.size();
            break;
        }
    }
    service().faults().releaseHeld();
    waiting.join();
    EXPECT_EQ(receivedWhenHeld, full.body.size() / 2);
    EXPECT_EQ(received, full.body);
}

TEST_F(ScriptedFaults, HostilePackages)
{
    service().faults().set("packages/partial.zip", make(Fault::Kind::ZipSlipPackage));
    const auto slip = client().get("/files/packages/partial.zip");
    const auto names = catalogue::ZipReader::entryNames(slip.body);
    EXPECT_NE(std::find_if(names.begin(), names.end(), [](const std::string& n) { return n.rfind("../", 0) == 0; }),
              names.end());
    service().faults().set("packages/partial.zip", make(Fault::Kind::NoFontsTxtPackage));
    const auto missing = client().get("/files/packages/partial.zip");
    EXPECT_FALSE(catalogue::ZipReader::readEntry(missing.body, "fonts.txt").has_value());
    EXPECT_FALSE(catalogue::ZipReader::entryNames(missing.body).empty());
    service().faults().clearAll();
    EXPECT_TRUE(catalogue::ZipReader::readEntry(client().get("/files/packages/partial.zip").body, "fonts.txt").has_value());
}

TEST_F(ScriptedFaults, AdminEndpointScriptsFaultsAndReadsTheLog)
{
    EXPECT_EQ(client().post("__admin/fault", "op=getTag&kind=errcode&errcode=42&message=busy&times=1").status, 200);
    EXPECT_EQ(client().call("getTag", {{"tag", "129"}}).errcode(), 42);
    EXPECT_EQ(client().call("getTag", {{"tag", "129"}}).errcode(), 0);
    EXPECT_EQ(client().post("__admin/fault", "op=getTag&kind=nonsense").status, 400);
    const auto log = client().get("/__admin/requests");
    const QJsonArray requests = log.json.value("requests").toArray();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].toObject().value("tag").toString(), "129");
    EXPECT_EQ(requests[0].toObject().value("params").toObject().value("platform").toString(), "mz_mac");
    EXPECT_EQ(client().post("__admin/data-state", "package=partial").status, 200);
    EXPECT_EQ(client().call("getBaseData", {{"tag", "131"}}).data().value("data_expire").toInt(), 1);
    client().post("__admin/data-state", "expire=0");
}

TEST_F(ScriptedFaults, AdminRefusalsSayWhyAndChangeNothing)
{
    auto reply = client().post("__admin/fault", "kind=slow");
    EXPECT_EQ(reply.status, 400);
    EXPECT_EQ(error(reply), "op is required");
    reply = client().post("__admin/fault", "op=getTag&kind=nonsense");
    EXPECT_EQ(reply.status, 400);
    EXPECT_EQ(error(reply), "unknown kind: nonsense");
    EXPECT_EQ(client().call("getTag", {{"tag", "129"}}).errcode(), 0) << "no fault was set";

    ASSERT_EQ(client().post("__admin/data-state", "package=partial").status, 200);
    reply = client().post("__admin/data-state", "package=bogus&expire=0");
    EXPECT_EQ(reply.status, 400);
    EXPECT_EQ(error(reply), "unknown package: bogus (partial or full)");
    const QJsonObject data = client().call("getBaseData", {{"tag", "131"}}).data();
    EXPECT_EQ(data.value("data_expire").toInt(), 1) << "the data settings stay";
    EXPECT_NE(data.value("data_url").toString().toStdString().find("packages/partial.zip"), std::string::npos);
    client().post("__admin/data-state", "expire=0");

    reply = client().post("__admin/wechat-confirm", "");
    EXPECT_EQ(reply.status, 400);
    EXPECT_EQ(error(reply), "ticket is required");
    reply = client().post("__admin/wechat-confirm", "ticket=no-such-ticket");
    EXPECT_EQ(reply.status, 400);
    EXPECT_EQ(error(reply), "unknown ticket: no-such-ticket");
    reply = client().post("__admin/wechat-confirm", "ticket=t&user=nobody");
    EXPECT_EQ(reply.status, 400);
    EXPECT_EQ(error(reply), "unknown user: nobody");

    reply = client().post("__admin/no-such-action", "");
    EXPECT_EQ(reply.status, 404);
    EXPECT_EQ(error(reply), "unknown action: no-such-action");

    // Without any body: the same answers as with an empty one.
    const auto [status, body] = postWithoutBody("/__admin/fault");
    EXPECT_EQ(status, 400);
    EXPECT_EQ(body.value("error").toString(), "op is required");
    const auto [cleared, clearedBody] = postWithoutBody("/__admin/clear-requests");
    EXPECT_EQ(cleared, 200);
    EXPECT_TRUE(clearedBody.value("ok").toBool());
}

TEST_F(ScriptedFaults, AdminEndpointSwitchesTheQuestionnaire)
{
    EXPECT_EQ(client().post("__admin/questionnaire", "path=").status, 200);
    EXPECT_EQ(client().call("getBaseInfo", {{"tag", "130"}}).data().value("questionnaire").toString(), "");
    EXPECT_EQ(client().post("__admin/questionnaire", "path=files/images/questionnaire.png").status, 200);
    EXPECT_EQ(client().call("getBaseInfo", {{"tag", "130"}}).data().value("questionnaire").toString().toStdString(),
              service().baseUrl() + "files/images/questionnaire.png");
}

TEST_F(ScriptedFaults, FileStatusFaultsAnswerAnyCode)
{
    httplib::Client raw("127.0.0.1", service().port());
    EXPECT_EQ(client().post("__admin/fault", "op=previews/&kind=status&status=403&times=1").status, 200);
    const auto forbidden = raw.Get("/files/previews/1001_day.png");
    ASSERT_TRUE(forbidden);
    EXPECT_EQ(forbidden->status, 403);
    Fault notModified = make(Fault::Kind::Status);
    notModified.status = 304;
    service().faults().set("previews/", notModified);
    const auto bare = raw.Get("/files/previews/1001_day.png");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->status, 304);
    EXPECT_FALSE(bare->has_header("ETag")) << "a scripted 304 carries no validators";
    EXPECT_FALSE(bare->has_header("Last-Modified"));
}

TEST_F(ScriptedFaults, FileBodiesAsHtmlChunkedOrWithAnAnnouncedLength)
{
    httplib::Client raw("127.0.0.1", service().port());
    const auto reference = raw.Get("/files/previews/1002_day.png");
    ASSERT_TRUE(reference);
    ASSERT_GT(reference->body.size(), 4096u) << "big enough for several chunks";

    service().faults().set("previews/", make(Fault::Kind::NotJson));
    const auto html = raw.Get("/files/previews/1002_day.png");
    ASSERT_TRUE(html);
    EXPECT_EQ(html->status, 200);
    EXPECT_EQ(html->get_header_value("Content-Type"), "text/html");

    service().faults().set("previews/", make(Fault::Kind::Chunked));
    const auto chunked = raw.Get("/files/previews/1002_day.png");
    ASSERT_TRUE(chunked);
    EXPECT_FALSE(chunked->has_header("Content-Length"));
    EXPECT_EQ(chunked->get_header_value("Transfer-Encoding"), "chunked");
    EXPECT_EQ(chunked->body, reference->body);

    // A body without end: the file over and over, in chunks, until the client hangs up.
    EXPECT_EQ(client().post("__admin/fault", "op=previews/&kind=endless").status, 200);
    std::string endless;
    const auto hungUp = raw.Get("/files/previews/1002_day.png", [&](const char* data, size_t length) {
        endless.append(data, length);
        return endless.size() < reference->body.size() * 3 + 10;
    });
    EXPECT_FALSE(hungUp) << "the client ended it";
    ASSERT_GE(endless.size(), reference->body.size() * 3 + 10);
    for (size_t at = 0; at + reference->body.size() <= endless.size(); at += reference->body.size())
        EXPECT_EQ(endless.substr(at, reference->body.size()), reference->body) << at;
    EXPECT_EQ(endless.substr(reference->body.size() * 3, 10), reference->body.substr(0, 10));

    Fault shorter = make(Fault::Kind::AnnouncedLength);
    shorter.announcedLength = 100;
    service().faults().set("previews/", shorter);
    const auto cut = raw.Get("/files/previews/1002_day.png");
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->get_header_value("Content-Length"), "100");
    EXPECT_EQ(cut->body, reference->body.substr(0, 100));

    Fault longer = make(Fault::Kind::AnnouncedLength);
    longer.announcedLength = reference->body.size() * 4;
    service().faults().set("previews/", longer);
    std::string received;
    const auto result = raw.Get("/files/previews/1002_day.png", [&](const char* data, size_t length) {
        received.append(data, length);
        return true;
    });
    EXPECT_FALSE(result) << "the connection ends short of the announced length";
    EXPECT_EQ(received, reference->body);
}
