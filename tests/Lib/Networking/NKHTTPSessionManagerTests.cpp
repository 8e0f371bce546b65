#include "Lib/Networking/NKHTTPSessionManager.h"
#include "Lib/Networking/NKJSONRequestSerializer.h"
#include "Lib/Networking/NKJSONResponseSerializer.h"
#include "Lib/Networking/NKNetworking.h"
#include "Lib/Networking/NKSecurityPolicy.h"

#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/URLLoading/HTTPURLResponse.h"
#include "Platform/URLLoading/URLLoading.h"
#include "Platform/URLLoading/LoopbackServers.h"
#include "Support/TempHome.h"
#include "TestPKI.h"

#include <httplib.h>
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"

#include <gtest/gtest.h>

// The resolver headers behind httplib define DELETE as a macro.
#undef DELETE

using foundation::Dictionary;
using foundation::Id;
using foundation::Ref;

namespace {

std::string echoJSON(const httplib::Request& req)
{
    std::string query;
    for (const auto& [key, value] : req.params)
        query += key + "=" + value + ";";
    auto escape = [](std::string text) {
        std::string out;
        for (char c : text) {
            if (c == '"' || c == '\\')
                out += '\\';
            out += (c == '\r' || c == '\n') ? ' ' : c;
        }
        return out;
    };
    return "{\"method\":\"" + req.method + "\",\"path\":\"" + req.path + "\",\"query\":\"" + escape(query) + "\",\"body\":\"" + escape(req.body)
        + "\",\"type\":\"" + escape(req.get_header_value("Content-Type")) + "\",\"files\":" + std::to_string(req.files.size()) + "}";
}

class NKHTTPSessionManagerTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server_ = new urltest::HttpServer();
        auto& routes = server_->routes();
        auto echo = [](const httplib::Request& req, httplib::Response& res) { res.set_content(echoJSON(req), "application/json"); };
        routes.Get("/api/.*", echo);
        routes.Post("/api/.*", echo);
        routes.Put("/api/.*", echo);
        routes.Patch("/api/.*", echo);
        routes.Delete("/api/.*", echo);
        routes.Get("/html", [](const httplib::Request&, httplib::Response& res) { res.set_content("<p>hi</p>", "text/html"); });
        routes.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("{\"error\":\"no\"}", "application/json");
        });
        server_->start();
    }
    static void TearDownTestSuite() { delete server_; }
    static std::string url(const std::string& path) { return server_->url(path); }

    static bool wait(const std::function<bool()>& predicate) { return dispatch::RunLoop::runUntil(predicate, 20); }

    static urltest::HttpServer* server_;
};

urltest::HttpServer* NKHTTPSessionManagerTest::server_ = nullptr;

} // namespace

TEST_F(NKHTTPSessionManagerTest, FormPostWithJSONReplyOnTheMainQueue)
{
    auto manager = NKHTTPSessionManager::manager();
    manager->requestSerializer()->setTimeoutInterval(10);
    Id reply;
    bool mainThread = false;
    Ref<net::URLSessionDataTask> seen;
    auto task = manager->POST(
        url("/api/post"), Id(Dictionary::create({{Id("tag"), Id("list fonts")}, {Id("page"), Id(1)}})),
        [&](const Ref<net::URLSessionDataTask>& t, const Id& object) {
            mainThread = dispatch::isMainThread();
            seen = t;
            reply = object;
        },
        [](const Ref<net::URLSessionDataTask>&, const Ref<foundation::Error>& error) { ADD_FAILURE() << error->description(); });
    ASSERT_TRUE(task);
    EXPECT_EQ(task->originalRequest()->timeoutInterval(), 10.0);
    ASSERT_TRUE(wait([&] { return !reply.isNil(); }));
    EXPECT_TRUE(mainThread);
    EXPECT_EQ(seen, task);
    EXPECT_EQ(reply["method"].stringValue(), "POST");
    EXPECT_EQ(reply["body"].stringValue(), "page=1&tag=list%20fonts");
    EXPECT_EQ(reply["type"].stringValue(), "application/x-www-form-urlencoded");
}

TEST_F(NKHTTPSessionManagerTest, EveryVerbReachesTheServer)
{
    auto manager = NKHTTPSessionManager::manager();
    auto parameters = Id(Dictionary::create({{Id("q"), Id("x")}}));
    std::map<std::string, Id> replies;
    auto record = [&](std::string name) {
        return [&replies, name](const Ref<net::URLSessionDataTask>&, const Id& object) { replies[name] = object; };
    };
    auto fail = [](const Ref<net::URLSessionDataTask>&, const Ref<foundation::Error>& error) { ADD_FAILURE() << error->description(); };
    manager->GET(url("/api/get"), parameters, record("GET"), fail);
    manager->PUT(url("/api/put"), parameters, record("PUT"), fail);
    manager->PATCH(url("/api/patch"), parameters, record("PATCH"), fail);
    manager->DELETE(url("/api/delete"), parameters, record("DELETE"), fail);
    bool headDone = false;
    manager->HEAD(url("/api/head"), parameters, [&](const Ref<net::URLSessionDataTask>& task) {
        headDone = true;
        EXPECT_EQ(std::static_pointer_cast<net::HTTPURLResponse>(task->response())->statusCode(), 200);
    }, fail);
    ASSERT_TRUE(wait([&] { return replies.size() == 4 && headDone; }));
    EXPECT_EQ(replies["GET"]["query"].stringValue(), "q=x;");
    EXPECT_EQ(replies["DELETE"]["query"].stringValue(), "q=x;");
    EXPECT_EQ(replies["DELETE"]["method"].stringValue(), "DELETE");
    EXPECT_EQ(replies["PUT"]["body"].stringValue(), "q=x");
    EXPECT_EQ(replies["PATCH"]["body"].stringValue(), "q=x");
    EXPECT_EQ(replies["PATCH"]["method"].stringValue(), "PATCH");
}

TEST_F(NKHTTPSessionManagerTest, RejectedRepliesGoToFailureWithTheTask)
{
    auto manager = NKHTTPSessionManager::manager();
    std::vector<Ref<foundation::Error>> errors;
    auto ignoreSuccess = [](const Ref<net::URLSessionDataTask>&, const Id&) { ADD_FAILURE() << "success"; };
    auto collect = [&](const Ref<net::URLSessionDataTask>& task, const Ref<foundation::Error>& error) {
        EXPECT_TRUE(task);
        errors.push_back(error);
    };
    manager->GET(url("/html"), nullptr, ignoreSuccess, collect);
    ASSERT_TRUE(wait([&] { return errors.size() == 1; }));
    manager->GET(url("/missing"), nullptr, ignoreSuccess, collect);
    ASSERT_TRUE(wait([&] { return errors.size() == 2; }));
    EXPECT_EQ(errors[0]->code(), -1016);
    EXPECT_EQ(errors[1]->code(), -1011);
    EXPECT_EQ(errors[1]->domain(), "com.ostrelle.error.serialization.response");

    manager->GET(foundation::format("http://127.0.0.1:%d/x", urltest::closedPort()), nullptr, ignoreSuccess, collect);
    ASSERT_TRUE(wait([&] { return errors.size() == 3; }));
    EXPECT_EQ(errors[2]->domain(), foundation::NSURLErrorDomain);
    EXPECT_EQ(errors[2]->code(), net::NSURLErrorCannotConnectToHost);
}

TEST_F(NKHTTPSessionManagerTest, UnbuildableRequestFailsAsynchronouslyWithoutATask)
{
    auto manager = NKHTTPSessionManager::manager();
    manager->setRequestSerializer(NKJSONRequestSerializer::serializer());
    bool failed = false;
    auto task = manager->POST(url("/api/x"), Id(foundation::Data::create("bytes")), [](const Ref<net::URLSessionDataTask>&, const Id&) {},
                              [&](const Ref<net::URLSessionDataTask>& failedTask, const Ref<foundation::Error>& error) {
                                  EXPECT_FALSE(failedTask);
                                  EXPECT_EQ(error->code(), -1016);
                                  failed = true;
                              });
    EXPECT_FALSE(task);
    EXPECT_FALSE(failed);
    ASSERT_TRUE(wait([&] { return failed; }));
    EXPECT_FALSE(manager->POST(url("/api/x"), Id(foundation::Data::create("bytes")), nullptr, nullptr));
}

TEST_F(NKHTTPSessionManagerTest, BaseURLGetsATrailingSlash)
{
    EXPECT_EQ(NKHTTPSessionManager::create(foundation::URL::URLWithString(url("/api")))->baseURL()->absoluteString(), url("/api/"));
    EXPECT_EQ(NKHTTPSessionManager::create(foundation::URL::URLWithString(url("/api/")))->baseURL()->absoluteString(), url("/api/"));
    EXPECT_EQ(NKHTTPSessionManager::create(foundation::URL::URLWithString(url("")))->baseURL()->absoluteString(), url(""));

    auto manager = NKHTTPSessionManager::create(foundation::URL::URLWithString(url("/api")));
    Id reply;
    manager->GET("list", nullptr, [&](const Ref<net::URLSessionDataTask>&, const Id& object) { reply = object; }, nullptr);
    ASSERT_TRUE(wait([&] { return !reply.isNil(); }));
    EXPECT_EQ(reply["path"].stringValue(), "/api/list");
}

TEST_F(NKHTTPSessionManagerTest, PinningNeedsAnHTTPSBaseURL)
{
    auto manager = NKHTTPSessionManager::manager();
    auto pinning = NKSecurityPolicy::policyWithPinningMode(NKSSLPinningMode::PublicKey, foundation::Set::create());
    try {
        manager->setSecurityPolicy(pinning);
        FAIL() << "must raise";
    } catch (const foundation::Exception& exception) {
        EXPECT_EQ(exception.name(), "Invalid Security Policy");
        EXPECT_EQ(exception.reason(),
                  "A security policy configured with `NKSSLPinningModePublicKey` can only be applied on a manager with a secure base URL (i.e. https)");
    }
    EXPECT_NE(manager->securityPolicy(), pinning);
    auto secure = NKHTTPSessionManager::create(foundation::URL::URLWithString("https://127.0.0.1/"));
    secure->setSecurityPolicy(pinning);
    EXPECT_EQ(secure->securityPolicy(), pinning);
}

TEST_F(NKHTTPSessionManagerTest, MultipartPostStreamsItsParts)
{
    auto manager = NKHTTPSessionManager::manager();
    Id reply;
    auto task = manager->POSTConstructingBodyWithBlock(
        url("/api/upload"), Id(Dictionary::create({{Id("kind"), Id("font")}})),
        [](NKMultipartFormData& form) { form.appendPartWithFileData(foundation::Data::create("OTTO...."), "file", "a.otf", "font/otf"); },
        [&](const Ref<net::URLSessionDataTask>&, const Id& object) { reply = object; },
        [](const Ref<net::URLSessionDataTask>&, const Ref<foundation::Error>& error) { ADD_FAILURE() << error->description(); });
    ASSERT_TRUE(task);
    EXPECT_EQ(task->kind(), net::URLSessionTask::Kind::Upload);
    ASSERT_TRUE(wait([&] { return !reply.isNil(); }));
    EXPECT_EQ(reply["files"].integerValue(), 2);
    EXPECT_EQ(reply["type"].stringValue().rfind("multipart/form-data; boundary=Boundary+", 0), 0u);
}

TEST_F(NKHTTPSessionManagerTest, MultipartPostWithAShortPartFailsWithTheStreamError)
{
    auto manager = NKHTTPSessionManager::manager();
    Ref<foundation::Error> failure;
    manager->POSTConstructingBodyWithBlock(
        url("/api/upload"), nullptr,
        [](NKMultipartFormData& form) {
            // Declares 100 bytes, delivers 3.
            form.appendPartWithInputStream(net::InputStream::inputStreamWithData(foundation::Data::create("abc")), "file", "f.bin", 100,
                                           "application/octet-stream");
        },
        [](const Ref<net::URLSessionDataTask>&, const Id&) { ADD_FAILURE() << "a short body must not succeed"; },
        [&](const Ref<net::URLSessionDataTask>& task, const Ref<foundation::Error>& error) {
            EXPECT_TRUE(task);
            failure = error;
        });
    ASSERT_TRUE(wait([&] { return failure != nullptr; }));
    EXPECT_EQ(failure->domain(), foundation::NSCocoaErrorDomain);
    EXPECT_EQ(failure->localizedDescription(), "A multipart part ended after 3 of 100 bytes.");
    ASSERT_TRUE(failure->underlyingError());
    EXPECT_EQ(failure->underlyingError()->domain(), foundation::NSURLErrorDomain);
}

TEST_F(NKHTTPSessionManagerTest, DescriptionNamesTheBaseURL)
{
    auto manager = NKHTTPSessionManager::create(foundation::URL::URLWithString(url("/api/")));
    const std::string text = manager->description();
    EXPECT_EQ(text.rfind("<NKHTTPSessionManager: 0x", 0), 0u) << text;
    EXPECT_NE(text.find("baseURL: " + url("/api/") + ", session: "), std::string::npos) << text;
}

TEST_F(NKHTTPSessionManagerTest, ArchiveAndCopyKeepBaseURLSerializersAndPolicy)
{
    auto manager = NKHTTPSessionManager::create(foundation::URL::URLWithString(url("/api")));
    manager->requestSerializer()->setValue("v1", "X-Version");
    auto json = NKJSONResponseSerializer::serializer();
    json->setRemovesKeysWithNullValues(true);
    manager->setResponseSerializer(json);

    auto data = foundation::KeyedArchiver::archivedDataWithRootObject(Id(manager));
    ASSERT_TRUE(data);
    auto decoded = foundation::KeyedUnarchiver::unarchiveObjectWithData(*data).as<NKHTTPSessionManager>();
    auto copy = std::static_pointer_cast<NKHTTPSessionManager>(manager->copy());
    for (const auto& other : {decoded, copy}) {
        ASSERT_TRUE(other);
        EXPECT_EQ(other->baseURL()->absoluteString(), url("/api/"));
        EXPECT_EQ(other->requestSerializer()->valueForHTTPHeaderField("X-Version"), "v1");
        EXPECT_NE(other->requestSerializer(), manager->requestSerializer());
        auto otherJSON = std::dynamic_pointer_cast<NKJSONResponseSerializer>(other->responseSerializer());
        ASSERT_TRUE(otherJSON);
        EXPECT_TRUE(otherJSON->removesKeysWithNullValues());
        EXPECT_TRUE(other->securityPolicy());
    }
    Id reply;
    decoded->GET("list", nullptr, [&](const Ref<net::URLSessionDataTask>&, const Id& object) { reply = object; }, nullptr);
    ASSERT_TRUE(wait([&] { return !reply.isNil(); }));
    EXPECT_EQ(reply["path"].stringValue(), "/api/list");
}

namespace {

// HTTPS servers for the trust checks of the whole stack: one with a leaf of a CA that
// SSL_CERT_FILE makes trusted, one with a self-signed certificate.
class NKHTTPSessionManagerTLSTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const auto folder = testsupport::makeScratchDir("manager-tls");
        ca_ = new testpki::Authority(folder, "Corvane Manager Root");
        setenv("SSL_CERT_FILE", ca_->identity().certificateFile.c_str(), 1);
        leaf_ = new testpki::Identity(ca_->issue("server"));
        self_ = new testpki::Identity(testpki::selfSigned(folder, "self"));
        trusted_ = new urltest::HttpServer(leaf_->certificateFile, leaf_->keyFile);
        untrusted_ = new urltest::HttpServer(self_->certificateFile, self_->keyFile);
        for (auto* server : {trusted_, untrusted_}) {
            server->routes().Get("/hello", [](const httplib::Request&, httplib::Response& res) { res.set_content("{\"tls\":true}", "application/json"); });
            server->start();
        }
    }
    static void TearDownTestSuite()
    {
        delete untrusted_;
        delete trusted_;
        delete self_;
        delete leaf_;
        delete ca_;
        unsetenv("SSL_CERT_FILE");
    }

    struct Outcome {
        Id reply;
        Ref<foundation::Error> error;
        bool done = false;
    };
    static Outcome get(const Ref<NKHTTPSessionManager>& manager, const std::string& url)
    {
        Outcome outcome;
        manager->GET(
            url, nullptr,
            [&](const Ref<net::URLSessionDataTask>&, const Id& object) {
                outcome.reply = object;
                outcome.done = true;
            },
            [&](const Ref<net::URLSessionDataTask>&, const Ref<foundation::Error>& error) {
                outcome.error = error;
                outcome.done = true;
            });
        EXPECT_TRUE(dispatch::RunLoop::runUntil([&] { return outcome.done; }, 20));
        return outcome;
    }

    static testpki::Authority* ca_;
    static testpki::Identity* leaf_;
    static testpki::Identity* self_;
    static urltest::HttpServer* trusted_;
    static urltest::HttpServer* untrusted_;
};

testpki::Authority* NKHTTPSessionManagerTLSTest::ca_ = nullptr;
testpki::Identity* NKHTTPSessionManagerTLSTest::leaf_ = nullptr;
testpki::Identity* NKHTTPSessionManagerTLSTest::self_ = nullptr;
urltest::HttpServer* NKHTTPSessionManagerTLSTest::trusted_ = nullptr;
urltest::HttpServer* NKHTTPSessionManagerTLSTest::untrusted_ = nullptr;

} // namespace

TEST_F(NKHTTPSessionManagerTLSTest, DefaultPolicyAcceptsTheTrustedChainOnly)
{
    auto manager = NKHTTPSessionManager::manager();
    auto good = get(manager, trusted_->url("/hello", "localhost"));
    EXPECT_FALSE(good.error) << Id(good.error).description();
    EXPECT_TRUE(good.reply["tls"].boolValue());

    auto bad = get(manager, untrusted_->url("/hello", "localhost"));
    ASSERT_TRUE(bad.error);
    EXPECT_EQ(bad.error->domain(), foundation::NSURLErrorDomain);
    EXPECT_EQ(bad.error->code(), net::NSURLErrorCancelled);
}

TEST_F(NKHTTPSessionManagerTLSTest, PinnedSelfSignedCertificateIsAccepted)
{
    auto manager = NKHTTPSessionManager::create(foundation::URL::URLWithString(untrusted_->url("/", "localhost")));
    auto pins = foundation::Set::create({Id(foundation::Data::create(std::span<const std::uint8_t>(self_->certificateDER.data(), self_->certificateDER.size())))});
    auto policy = NKSecurityPolicy::policyWithPinningMode(NKSSLPinningMode::Certificate, pins);
    policy->setAllowInvalidCertificates(true);
    manager->setSecurityPolicy(policy);
    auto pinned = get(manager, "hello");
    EXPECT_FALSE(pinned.error) << Id(pinned.error).description();
    EXPECT_TRUE(pinned.reply["tls"].boolValue());
}
