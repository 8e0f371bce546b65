#include "TransportTestSupport.h"

#include "Class/ServiceCore/Transport/KXHTTPErrorLog.h"
#include "Class/ServiceCore/Transport/KXHTTPREQUEST.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Lib/Networking/NKHTTPResponseSerializer.h"
#include "Lib/Networking/NKHTTPSessionManager.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/URLLoading/LoopbackServers.h"

#include <httplib.h>

#include <malloc.h>
#include <map>
#include <mutex>
#include <regex>

using foundation::Id;
using foundation::Ref;
using localservice::Fault;
using transporttest::Outcome;
using transporttest::TransportTest;

namespace {

std::map<std::string, std::string> paramsOf(const localservice::LoggedRequest& request)
{
    return {request.params.begin(), request.params.end()};
}

Ref<foundation::MutableDictionary> dictionary(std::initializer_list<std::pair<Id, Id>> pairs)
{
    return foundation::MutableDictionary::create(pairs);
}

// Matches the whole log: one "yyyy-MM-dd HH:mm:ss:message\n" line per message.
bool logHoldsLines(const Id& log, const std::vector<std::string>& messages)
{
    std::string pattern;
    for (const auto& message : messages)
        pattern += R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}:)" + std::regex_replace(message, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") + "\n";
    return std::regex_match(log["errorinfo"].stringValue(), std::regex(pattern));
}

} // namespace

// --- Signature -------------------------------------------------------------------------------

TEST(KXHTTPREQUESTSignature, MatchesAnIndependentlyComputedVector)
{
    // Keys in character-code order: upper case, then "_", then lower case; numbers in decimal,
    // an empty value still enters as "token=".
    auto parameters = dictionary({{Id("tag"), Id("164")},
                                  {Id("UIID"), Id("C02XYZ")},
                                  {Id("token"), Id("")},
                                  {Id("system"), Id("Model-7")},
                                  {Id("platform"), Id("mz_mac")},
                                  {Id("version"), Id("2.1.0")},
                                  {Id("name"), Id("Zoë")},
                                  {Id("id"), Id(12)},
                                  {Id("_x"), Id("u")}});
    EXPECT_EQ(KXHTTPREQUEST::dictionaryToMD5HexSting(parameters)->utf8(), "a887997f295255af4e1af6aa936f4660");
}

TEST(KXHTTPREQUESTSignature, DigestOfEmptyTextIsNil)
{
    EXPECT_EQ(KXHTTPREQUEST::md5HexDigest(foundation::String::create("")), nullptr);
    EXPECT_EQ(KXHTTPREQUEST::md5HexDigest(nullptr), nullptr);
    EXPECT_EQ(KXHTTPREQUEST::md5HexDigest(foundation::String::create("abc"))->utf8(), "900150983cd24fb0d6963f7d28e17f72");
}

// --- Common parameters -----------------------------------------------------------------------

TEST_F(TransportTest, CommonParametersComeFromUserDefaults)
{
    setDefault("UIID", Id("C02ABC"));
    setDefault("token", Id("tok"));
    setDefault("macType", Id("ThinkPad X1"));
    setDefault("macAddress", Id("aa:bb:cc:dd:ee:ff"));
    setDefault("typeFrom", Id("site"));
    setDefault("appVersion", Id("3.0.1"));
    setDefault("dataVersion", Id("20261201"));
    setDefault("SystemVersion", Id("Debian 12"));
    const Outcome outcome = run([](auto success, auto failure) { KXHTTPBUSINESS().getAllBrandSuceess(success, failure); });
    ASSERT_FALSE(outcome.error) << outcome.error->description();

    auto params = paramsOf(onlyRequest());
    const std::string secret = params["secret"];
    params.erase("secret");
    const std::map<std::string, std::string> expected{
        {"tag", "164"},          {"UIID", "C02ABC"},      {"token", "tok"},       {"system", "ThinkPad X1"},      {"platform", "mz_mac"},
        {"mac", "aa:bb:cc:dd:ee:ff"}, {"source_type", "site"}, {"version", "3.0.1"}, {"data_version", "20261201"}, {"SystemVersion", "Debian 12"}};
    EXPECT_EQ(params, expected);
    // The service checks "secret" with its own implementation; a stale token is still refused
    // only by its code, never by the signature (110).
    EXPECT_NE(outcome.reply["errcode"].integerValue(), 110);
    EXPECT_EQ(secret.size(), 32u);
}

TEST_F(TransportTest, AbsentDefaultsLeaveTheirParametersOutAndTheTokenEmpty)
{
    const Outcome outcome = run([](auto success, auto failure) { KXHTTPBUSINESS().getAllBrandSuceess(success, failure); });
    ASSERT_FALSE(outcome.error);
    EXPECT_EQ(outcome.reply["errcode"].integerValue(), 0); // the service accepted the signature
    auto params = paramsOf(onlyRequest());
    params.erase("secret");
    const std::map<std::string, std::string> expected{{"tag", "164"}, {"token", ""}, {"platform", "mz_mac"}};
    EXPECT_EQ(params, expected);
}

TEST_F(TransportTest, EmptyDefaultsAreSentEmpty)
{
    setDefault("UIID", Id(""));
    setDefault("token", Id(""));
    setDefault("appVersion", Id(""));
    const Outcome outcome = run([](auto success, auto failure) { KXHTTPBUSINESS().getAllBrandSuceess(success, failure); });
    EXPECT_EQ(outcome.reply["errcode"].integerValue(), 0);
    auto params = paramsOf(onlyRequest());
    params.erase("secret");
    const std::map<std::string, std::string> expected{{"tag", "164"}, {"UIID", ""}, {"token", ""}, {"platform", "mz_mac"}, {"version", ""}};
    EXPECT_EQ(params, expected);
}

TEST_F(TransportTest, CommonParametersReplaceTheOperationsOwn)
{
    setDefault("dataVersion", Id("7"));
    auto parameters = dictionary({{Id("tag"), Id("164")}, {Id("platform"), Id("mac")}, {Id("data_version"), Id("1")}, {Id("UIID"), Id("mine")}});
    auto outcome = std::make_shared<Outcome>();
    auto transport = KXHTTPREQUEST::create();
    transport->PostJsonWithURLString(KXHTTPBUSINESS::apiBaseURL() + "getAllBrand", parameters, [outcome](const Id& reply) {
        outcome->done = true;
        outcome->reply = reply;
    }, nullptr);
    ASSERT_TRUE(waitFor([outcome] { return outcome->done; }));
    auto params = paramsOf(onlyRequest());
    EXPECT_EQ(params["platform"], "mz_mac");
    EXPECT_EQ(params["data_version"], "7");
    EXPECT_FALSE(params.contains("UIID")); // no stored value: the caller's goes as well

    // The caller's dictionary holds what was sent, "secret" included.
    EXPECT_EQ(parameters->objectForKey("platform").stringValue(), "mz_mac");
    EXPECT_EQ(parameters->objectForKey("secret").stringValue(), params["secret"]);
    auto unsigned_ = foundation::MutableDictionary::dictionaryWithDictionary(*parameters);
    unsigned_->removeObjectForKey(Id("secret"));
    EXPECT_EQ(KXHTTPREQUEST::dictionaryToMD5HexSting(unsigned_)->utf8(), params["secret"]);
}

// --- Reply envelope --------------------------------------------------------------------------

TEST_F(TransportTest, SuccessReplyReachesOnlyTheCaller)
{
    const Outcome outcome = run([](auto success, auto failure) { KXHTTPBUSINESS().getAllBrandSuceess(success, failure); });
    EXPECT_EQ(outcome.reply["tag"].stringValue(), "164");
    EXPECT_TRUE(errorLog().isNil());
    EXPECT_TRUE(toasts_->shown.empty());
    EXPECT_TRUE(logouts().empty());
}

TEST_F(TransportTest, ExpiredSessionSignsOutWithoutToast)
{
    setFault("getAllBrand", Fault::Kind::TokenExpired);
    const Outcome outcome = run([](auto success, auto failure) { KXHTTPBUSINESS().getAllBrandSuceess(success, failure); });
    EXPECT_EQ(outcome.reply["errcode"].integerValue(), 122);
    ASSERT_EQ(logouts().size(), 1u);
    const Id userInfo(logouts()[0]);
    EXPECT_EQ(userInfo.count(), 1u);
    EXPECT_EQ(userInfo["loginOut"].count(), 1u);
    EXPECT_EQ(userInfo["loginOut"]["logint"].stringValue(), "YES");
    EXPECT_TRUE(toasts_->shown.empty());
    EXPECT_TRUE(logHoldsLines(errorLog(), {outcome.reply["message"].stringValue()}));
}

TEST_F(TransportTest, WeChatPollRefusalIsLoggedQuietly)
{
    setFault("checkWxLogin", Fault::Kind::ErrorCode, 1, "等待扫码确认");
    const Outcome outcome = run([](auto success, auto failure) { KXHTTPBUSINESS().loginWithWeChatTicket(Id("t-1"), success, failure); });
    EXPECT_EQ(outcome.reply["errcode"].integerValue(), 1);
    EXPECT_TRUE(toasts_->shown.empty());
    EXPECT_TRUE(logouts().empty());
    EXPECT_TRUE(logHoldsLines(errorLog(), {"等待扫码确认"}));
}

TEST_F(TransportTest, OtherRefusalShowsWarningAndLogsTheRequest)
{
    setDefault("token", Id("secret-token"));
    setFault("getAllBrand", Fault::Kind::ErrorCode, 1, "库存不足");
    const Outcome outcome = run([](auto success, auto failure) { KXHTTPBUSINESS().getAllBrandSuceess(success, failure); });
    EXPECT_EQ(outcome.reply["message"].stringValue(), "库存不足");
    ASSERT_EQ(toasts_->shown.size(), 1u);
    EXPECT_EQ(toasts_->shown[0].message, "库存不足");
    EXPECT_EQ(toasts_->shown[0].style, ToastStyle::Warning);
    EXPECT_EQ(toasts_->shown[0].window, nullptr);
    EXPECT_TRUE(logouts().empty());

    const Id log = errorLog();
    EXPECT_TRUE(logHoldsLines(log, {"库存不足"}));
    // The whole request but its signature and token.
    auto params = paramsOf(onlyRequest());
    EXPECT_TRUE(log["param"]["secret"].isNil());
    EXPECT_TRUE(log["param"]["token"].isNil());
    EXPECT_EQ(log["param"]["tag"].stringValue(), "164");
    EXPECT_EQ(log["param"].count(), params.size() - 2);
}

TEST_F(TransportTest, ACallerThatShowsRefusalsItselfGetsNoToastButTheLogAndTheSignOutStay)
{
    setDefault("token", Id("secret-token"));
    setFault("getAllBrand", Fault::Kind::ErrorCode, 1, "库存不足");
    Outcome outcome = run([](auto success, auto failure) {
        KXHTTPBUSINESS().refusalsShownByCaller().getAllBrandSuceess(success, failure);
    });
    EXPECT_EQ(outcome.reply["message"].stringValue(), "库存不足");
    EXPECT_TRUE(toasts_->shown.empty());
    EXPECT_TRUE(logHoldsLines(errorLog(), { "库存不足" }));

    // What the caller shows is the transport's own toast.
    KXHTTPREQUEST::showRefusal(outcome.reply);
    ASSERT_EQ(toasts_->shown.size(), 1u);
    EXPECT_EQ(toasts_->shown[0].message, "库存不足");
    EXPECT_EQ(toasts_->shown[0].style, ToastStyle::Warning);
    KXHTTPREQUEST::showRefusal(
        Id(foundation::Dictionary::create({ { Id("errcode"), Id(0) }, { Id("message"), Id("成功") } })));
    EXPECT_EQ(toasts_->shown.size(), 1u) << "a success is no refusal";

    setFault("getAllBrand", Fault::Kind::TokenExpired);
    outcome = run([](auto success, auto failure) {
        KXHTTPBUSINESS().refusalsShownByCaller().getAllBrandSuceess(success, failure);
    });
    EXPECT_EQ(outcome.reply["errcode"].integerValue(), 122);
    EXPECT_EQ(logouts().size(), 1u) << "an expired session signs out whoever shows refusals";

    // The next object of the same operation leaves the refusal to the transport again.
    setFault("getAllBrand", Fault::Kind::ErrorCode, 1, "库存不足");
    run([](auto success, auto failure) { KXHTTPBUSINESS().getAllBrandSuceess(success, failure); });
    EXPECT_EQ(toasts_->shown.size(), 2u);
}

TEST_F(TransportTest, PasswordNeverReachesTheLog)
{
    const Outcome outcome = run([](auto success, auto failure) { KXHTTPBUSINESS().LoginWithName(Id("demo"), Id("wrong-pass"), success, failure); });
    ASSERT_NE(outcome.reply["errcode"].integerValue(), 0);
    const Id log = errorLog();
    EXPECT_TRUE(log["param"]["password"].isNil());
    EXPECT_TRUE(log["param"]["secret"].isNil());
    EXPECT_EQ(log["param"]["name"].stringValue(), "demo");
    auto data = KXFileManager::sharedKXFileManager().pathForDocumentWithComponent(foundation::String::create(KXHTTPErrorLog::kFileKey));
    auto bytes = foundation::Data::dataWithContentsOfFile(data->utf8());
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->view().find("wrong-pass"), std::string_view::npos);
}

TEST_F(TransportTest, LinesAccumulateInOrder)
{
    setFault("getAllBrand", Fault::Kind::ErrorCode, 1, "第一");
    run([](auto success, auto failure) { KXHTTPBUSINESS().getAllBrandSuceess(success, failure); });
    setFault("getAllBrand", Fault::Kind::Http500);
    const Outcome failed = run([](auto success, auto failure) { KXHTTPBUSINESS().getAllBrandSuceess(success, failure); });
    ASSERT_TRUE(failed.error);
    const Id log = errorLog();
    EXPECT_TRUE(logHoldsLines(log, {"第一", failed.error->localizedDescription()}));
    EXPECT_EQ(log["param"]["tag"].stringValue(), "164"); // a transport failure keeps the last "param"
}

// --- Transport failures ----------------------------------------------------------------------

TEST_F(TransportTest, ServerErrorGoesToFailureAndStartsTheLog)
{
    setFault("getAllBrand", Fault::Kind::Http500);
    bool succeeded = false;
    const Outcome outcome = run([&succeeded](auto, auto failure) {
        KXHTTPBUSINESS().getAllBrandSuceess([&succeeded](const Id&) { succeeded = true; }, failure);
    });
    ASSERT_TRUE(outcome.error);
    EXPECT_FALSE(succeeded);
    const Id log = errorLog();
    EXPECT_TRUE(logHoldsLines(log, {outcome.error->localizedDescription()}));
    EXPECT_TRUE(log["param"].isNil());
    EXPECT_TRUE(toasts_->shown.empty());
}

TEST_F(TransportTest, BodyThatIsNotJSONFails)
{
    setFault("getAllBrand", Fault::Kind::NotJson);
    const Outcome outcome = run([](auto success, auto failure) { KXHTTPBUSINESS().getAllBrandSuceess(success, failure); });
    ASSERT_TRUE(outcome.error);
    EXPECT_TRUE(logHoldsLines(errorLog(), {outcome.error->localizedDescription()}));
}

TEST_F(TransportTest, TimeOutFails)
{
    setFault("getAllBrand", Fault::Kind::NoReply);
    KXHTTPBUSINESS business;
    business.REQUEST()->NKManager()->requestSerializer()->setTimeoutInterval(0.5);
    const Outcome outcome = run([&business](auto success, auto failure) { business.getAllBrandSuceess(success, failure); });
    service().faults().clearAll();
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->domain(), foundation::NSURLErrorDomain);
    EXPECT_EQ(outcome.error->code(), -1001);
}

TEST(KXHTTPREQUESTSettings, SessionManagerIsConfiguredOnce)
{
    auto transport = KXHTTPREQUEST::create();
    auto manager = transport->NKManager();
    EXPECT_EQ(manager, transport->NKManager());
    EXPECT_EQ(manager->requestSerializer()->timeoutInterval(), 10);
    auto types = manager->responseSerializer()->acceptableContentTypes();
    ASSERT_TRUE(types);
    EXPECT_EQ(types->count(), 7u);
    for (const char* type : {"text/plain", "application/json", "text/json", "text/javascript", "text/html", "image/png", "image/jpeg"})
        EXPECT_TRUE(types->containsObject(Id(type))) << type;
}

// --- Replies of unexpected shape (from a plain server) ---------------------------------------

class OddReplyTest : public TransportTest {
public:
    static void SetUpTestSuite()
    {
        TransportTest::SetUpTestSuite();
        server_ = std::make_unique<urltest::HttpServer>();
        server_->routes().Post("/reply", [](const httplib::Request&, httplib::Response& res) {
            std::lock_guard lock(bodyMutex_);
            res.set_content(body_, "application/json");
        });
        server_->start();
    }
    static void TearDownTestSuite()
    {
        server_.reset();
        TransportTest::TearDownTestSuite();
    }

protected:
    Outcome post(const std::string& body)
    {
        {
            std::lock_guard lock(bodyMutex_);
            body_ = body;
        }
        return run([](auto success, auto failure) {
            KXHTTPREQUEST::create()->PostJsonWithURLString(server_->url("/reply"), dictionary({{Id("tag"), Id("164")}}), success, failure);
        });
    }

    static std::unique_ptr<urltest::HttpServer> server_;
    static std::mutex bodyMutex_;
    static std::string body_;
};

std::unique_ptr<urltest::HttpServer> OddReplyTest::server_;
std::mutex OddReplyTest::bodyMutex_;
std::string OddReplyTest::body_;

TEST_F(OddReplyTest, MissingErrcodeCountsAsSuccess)
{
    const Outcome outcome = post(R"({"message":"hi","tag":"164"})");
    EXPECT_FALSE(outcome.error);
    EXPECT_TRUE(errorLog().isNil());
    EXPECT_TRUE(toasts_->shown.empty());
}

TEST_F(OddReplyTest, JSONThatIsNoObjectTakesTheFailurePath)
{
    const Outcome outcome = post(R"([1,2,3])");
    ASSERT_TRUE(outcome.error);
    EXPECT_TRUE(outcome.reply.isNil());
    EXPECT_TRUE(logHoldsLines(errorLog(), {outcome.error->localizedDescription()}));
}

TEST_F(OddReplyTest, TextWhereNumbersBelongIsConverted)
{
    post(R"({"errcode":"122","message":7,"tag":164})");
    EXPECT_EQ(logouts().size(), 1u);
    post(R"({"errcode":"5","message":42,"tag":164})");
    ASSERT_EQ(toasts_->shown.size(), 1u);
    EXPECT_EQ(toasts_->shown[0].message, "42");
    post(R"({"errcode":1,"message":"wait","tag":147})");
    EXPECT_EQ(toasts_->shown.size(), 1u); // the numeric tag 147 is the poll as well
    EXPECT_TRUE(logHoldsLines(errorLog(), {"7", "42", "wait"}));
}

namespace {

// Bytes the allocator has handed out and not had back, after it has returned what it can.
std::size_t heapInUse()
{
    malloc_trim(0);
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

} // namespace

TEST_F(OddReplyTest, AReplyPastTheReadingLimitsFailsAsOneThatIsNoJSONAndLeavesNoMemoryBehind)
{
    // Two million elements in 4 MB, far under the body cap: hundreds of megabytes once built.
    std::string huge = R"({"errcode":0,"tag":"130","corvane_data":{"shop_url":"https://s.example/shop","tags":[0)";
    huge.reserve(huge.size() + 4'000'000);
    for (int i = 1; i < 2'000'000; ++i)
        huge += ",0";
    huge += "]}}";
    const Outcome notJSON = post("<html>busy</html>");
    ASSERT_TRUE(notJSON.error);
    const std::size_t before = heapInUse();

    const Outcome outcome = post(huge);
    ASSERT_TRUE(outcome.error);
    EXPECT_TRUE(outcome.reply.isNil());
    EXPECT_EQ(outcome.error->domain(), notJSON.error->domain());
    EXPECT_EQ(outcome.error->code(), notJSON.error->code());
    EXPECT_TRUE(logHoldsLines(errorLog(), {notJSON.error->localizedDescription(), outcome.error->localizedDescription()}));

    // The server's copy of the body goes; what the client took for the reply is given back.
    {
        std::lock_guard lock(bodyMutex_);
        std::string().swap(body_);
    }
    ASSERT_TRUE(waitForQuietTraffic());
    const std::size_t after = heapInUse();
    EXPECT_LT(after, before + (std::size_t(8) << 20)) << "before " << before << ", after " << after;
}

// --- Hostile servers -------------------------------------------------------------------------

TEST_F(TransportTest, RepliesAreCappedAfterDecoding)
{
    // 40 MiB of blanks in 40 KB on the wire: the reply is refused where it passes 32 MiB.
    const std::string bomb = urltest::gzipped(std::string(40 * 1024 * 1024, ' '));
    urltest::RawServer server([&bomb](int fd) {
        urltest::RawServer::readRequest(fd);
        urltest::RawServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Encoding: gzip\r\nContent-Length: "
                                         + std::to_string(bomb.size()) + "\r\n\r\n" + bomb);
    });
    const Outcome outcome = run([&server](auto success, auto failure) {
        KXHTTPREQUEST::create()->PostJsonWithURLString(server.url("/api"), dictionary({{Id("tag"), Id("164")}}), success, failure);
    });
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->domain(), foundation::NSURLErrorDomain);
    EXPECT_EQ(outcome.error->code(), -1103);
    EXPECT_TRUE(logHoldsLines(errorLog(), {"resource exceeds maximum size"}));
}

TEST_F(TransportTest, TheSignedBodyIsNeverRedirectedToAnotherServer)
{
    urltest::RawServer thief([](int fd) { urltest::RawServer::readRequest(fd); });
    urltest::RawServer server([&thief](int fd) {
        urltest::RawServer::readRequest(fd);
        urltest::RawServer::send(fd, "HTTP/1.1 307 Temporary Redirect\r\nLocation: " + thief.url("/steal") + "\r\nContent-Length: 0\r\n\r\n");
    });
    setDefault("token", Id("session-token"));
    const Outcome outcome = run([&server](auto success, auto failure) {
        KXHTTPREQUEST::create()->PostJsonWithURLString(server.url("/api"), dictionary({{Id("tag"), Id("1")}, {Id("password"), Id("pw")}}),
                                                       success, failure);
    });
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code(), -1011);
    EXPECT_EQ(thief.connections(), 0);
}
