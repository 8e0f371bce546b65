#include "LoopbackServers.h"
#include "Platform/Security/Certificate.h"
#include "Platform/Security/Trust.h"
#include "SessionRecorder.h"
#include "Support/TempHome.h"
#include "TestPKI.h"

#include <httplib.h>
#include <gtest/gtest.h>

#include <cstdlib>

using foundation::Ref;
using urltest::HttpServer;
using urltest::SessionRecorder;
using urltest::makeSession;
using urltest::request;

namespace {

struct TlsServer {
    explicit TlsServer(const testpki::Identity& identity)
        : server(identity.certificateFile, identity.keyFile)
    {
        server.routes().Get("/hello", [this](const httplib::Request&, httplib::Response& res) {
            ++requests;
            res.set_content("secure hello", "application/octet-stream");
        });
        server.start();
    }
    HttpServer server;
    std::atomic<int> requests{0};
};

// Servers for the trust matrix, made once: a chain to the test CA (which SSL_CERT_FILE makes the
// system store), a self-signed certificate, an expired one and one for another host name.
class TrustTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        auto folder = testsupport::makeScratchDir("tls");
        ca_ = new testpki::Authority(folder, "Corvane Test Root");
        setenv("SSL_CERT_FILE", ca_->identity().certificateFile.c_str(), 1);
        selfSigned_ = new testpki::Identity(testpki::selfSigned(folder, "self-signed"));
        valid_ = new TlsServer(ca_->issue("valid-leaf"));
        self_ = new TlsServer(*selfSigned_);
        expired_ = new TlsServer(ca_->issue("expired-leaf", {{"localhost"}, {"127.0.0.1"}, -30, -2}));
        wrongHost_ = new TlsServer(ca_->issue("other-leaf", {{"fonts.example"}, {}}));
    }
    static void TearDownTestSuite()
    {
        delete valid_;
        delete self_;
        delete expired_;
        delete wrongHost_;
        delete selfSigned_;
        delete ca_;
        unsetenv("SSL_CERT_FILE");
    }

    static Ref<foundation::Error> fetch(TlsServer& server, SessionRecorder& recorder)
    {
        makeSession(recorder)->dataTaskWithRequest(request(server.server.url("/hello")))->resume();
        EXPECT_TRUE(recorder.waitForCompletions());
        return recorder.error();
    }

    static Ref<security::Certificate> selfSignedCertificate()
    {
        return security::Certificate::createWithData(
            *foundation::Data::create(std::span<const std::uint8_t>(selfSigned_->certificateDER)));
    }

    static testpki::Authority* ca_;
    static testpki::Identity* selfSigned_;
    static TlsServer* valid_;
    static TlsServer* self_;
    static TlsServer* expired_;
    static TlsServer* wrongHost_;
};

testpki::Authority* TrustTest::ca_ = nullptr;
testpki::Identity* TrustTest::selfSigned_ = nullptr;
TlsServer* TrustTest::valid_ = nullptr;
TlsServer* TrustTest::self_ = nullptr;
TlsServer* TrustTest::expired_ = nullptr;
TlsServer* TrustTest::wrongHost_ = nullptr;

} // namespace

TEST_F(TrustTest, ValidChainLoadsWithoutAChallengeCallback)
{
    SessionRecorder recorder;
    EXPECT_FALSE(fetch(*valid_, recorder));
    EXPECT_EQ(recorder.body(), "secure hello");
}

TEST_F(TrustTest, ChallengeComesBeforeAnyByteOfTheRequest)
{
    SessionRecorder recorder;
    int requestsAtChallenge = -1;
    std::string leafName;
    std::string host;
    recorder.answerChallenges([&](const Ref<net::URLAuthenticationChallenge>& challenge, Ref<net::URLCredential>&) {
        requestsAtChallenge = valid_->requests;
        auto space = challenge->protectionSpace();
        host = space->host() + ":" + std::to_string(space->port()) + " " + space->protocol();
        leafName = space->serverTrust()->certificateAtIndex(0)->subjectSummary();
        return net::AuthChallengeDisposition::PerformDefaultHandling;
    });
    int before = valid_->requests;
    EXPECT_FALSE(fetch(*valid_, recorder));
    EXPECT_EQ(requestsAtChallenge, before);
    EXPECT_EQ(valid_->requests, before + 1);
    EXPECT_EQ(leafName, "valid-leaf");
    EXPECT_EQ(host, "127.0.0.1:" + std::to_string(valid_->server.port()) + " https");
    EXPECT_EQ(recorder.events(), (std::vector<std::string>{"challenge NSURLAuthenticationMethodServerTrust", "data", "complete"}));
}

TEST_F(TrustTest, UntrustedCertificatesFailWithDefaultHandling)
{
    for (TlsServer* server : {self_, expired_, wrongHost_}) {
        SessionRecorder recorder;
        int before = server->requests;
        auto error = fetch(*server, recorder);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->code(), net::NSURLErrorServerCertificateUntrusted);
        EXPECT_NE(error->localizedDescription().find("“127.0.0.1”"), std::string::npos);
        EXPECT_EQ(server->requests, before) << "nothing may reach a server that is not trusted";
        EXPECT_EQ(recorder.completions(), 1);
    }
}

TEST_F(TrustTest, PinnedAnchorAcceptsASelfSignedServer)
{
    // The self-signed certificate is the only anchor: accepted when the chain leads to it.
    auto pinToSelfSigned = [](const Ref<net::URLAuthenticationChallenge>& challenge, Ref<net::URLCredential>& credential) {
        auto trust = challenge->protectionSpace()->serverTrust();
        trust->setAnchorCertificates({selfSignedCertificate()});
        if (trust->evaluate() != security::TrustResult::Unspecified)
            return net::AuthChallengeDisposition::CancelAuthenticationChallenge;
        credential = net::URLCredential::credentialForTrust(trust);
        return net::AuthChallengeDisposition::UseCredential;
    };
    SessionRecorder recorder;
    recorder.answerChallenges(pinToSelfSigned);
    EXPECT_FALSE(fetch(*self_, recorder));
    EXPECT_EQ(recorder.body(), "secure hello");

    SessionRecorder mismatched;
    mismatched.answerChallenges(pinToSelfSigned);
    auto error = fetch(*valid_, mismatched);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), net::NSURLErrorCancelled);
}

TEST_F(TrustTest, CancellingTheChallengeCancelsTheTask)
{
    SessionRecorder recorder;
    recorder.answerChallenges([](const auto&, auto&) { return net::AuthChallengeDisposition::CancelAuthenticationChallenge; });
    int before = valid_->requests;
    auto error = fetch(*valid_, recorder);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), net::NSURLErrorCancelled);
    EXPECT_EQ(valid_->requests, before);
}

TEST_F(TrustTest, TaskLevelCallbackIsAskedWhenThereIsNoSessionLevelOne)
{
    SessionRecorder recorder;
    recorder.delegate->taskDidReceiveChallenge = [&](const auto&, const auto& task, const auto&, net::ChallengeHandler handler) {
        recorder.add("task challenge " + std::to_string(task->taskIdentifier()));
        handler(net::AuthChallengeDisposition::PerformDefaultHandling, nullptr);
    };
    EXPECT_FALSE(fetch(*valid_, recorder));
    EXPECT_EQ(recorder.events().front(), "task challenge 1");
}
