#include "LoopbackServers.h"
#include "SessionRecorder.h"
#include "Support/TempHome.h"
#include "TestPKI.h"

#include <httplib.h>
#include <gtest/gtest.h>

#include <mutex>

using foundation::Ref;
using urltest::HttpServer;
using urltest::SessionRecorder;
using urltest::makeSession;
using urltest::request;

namespace {

// What one server was sent: "METHOD path body" per request.
class Log {
public:
    void add(const httplib::Request& req)
    {
        std::lock_guard lock(mutex_);
        lines_.push_back(req.method + " " + req.path + " " + req.body);
    }
    std::vector<std::string> lines() const
    {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

void addEcho(HttpServer& server, Log& log)
{
    auto echo = [&log](const httplib::Request& req, httplib::Response& res) {
        log.add(req);
        res.set_content("answer of " + req.method, "text/plain");
    };
    server.routes().Get("/echo", echo);
    server.routes().Post("/echo", echo);
}

// Redirects "/<code>/<anything>" with that status to `target`.
void addRedirects(HttpServer& server, const std::function<std::string(const std::string&)>& target)
{
    auto redirect = [target](const httplib::Request& req, httplib::Response& res) {
        const int status = std::stoi(req.matches[1]);
        res.set_redirect(target(req.matches[2]), status);
    };
    server.routes().Get(R"(/(30\d)/(.*))", redirect);
    server.routes().Post(R"(/(30\d)/(.*))", redirect);
    server.routes().Put(R"(/(30\d)/(.*))", redirect);
}

// A plain server, another plain server (another origin: another port) and a TLS server on a
// self-signed certificate that the test's sessions accept.
class RedirectTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        identity_ = new testpki::Identity(testpki::selfSigned(testsupport::makeScratchDir("redirect-tls"), "redirect"));
        plain_ = new HttpServer();
        other_ = new HttpServer();
        secure_ = new HttpServer(identity_->certificateFile, identity_->keyFile);
        plainLog_ = new Log();
        otherLog_ = new Log();
        secureLog_ = new Log();
        addEcho(*plain_, *plainLog_);
        addEcho(*other_, *otherLog_);
        addEcho(*secure_, *secureLog_);
        // "/307/other" goes to the other server, "/307/plain" to the plain one, anything else to
        // the same server's echo. The addresses are read when a request comes, after start().
        auto target = [](HttpServer* self) {
            return [self](const std::string& where) {
                if (where == "other")
                    return other_->url("/echo");
                if (where == "plain")
                    return plain_->url("/echo");
                return self->url("/echo");
            };
        };
        addRedirects(*plain_, target(plain_));
        addRedirects(*secure_, target(secure_));
        other_->start();
        plain_->start();
        secure_->start();
    }
    static void TearDownTestSuite()
    {
        delete secure_;
        delete other_;
        delete plain_;
        delete identity_;
        delete plainLog_;
        delete otherLog_;
        delete secureLog_;
    }

    struct Outcome {
        Ref<foundation::Error> error;
        std::string body;
    };
    static Outcome send(const Ref<net::URLRequest>& req, SessionRecorder& recorder, Ref<foundation::Data> upload = nullptr)
    {
        recorder.answerChallenges([](const Ref<net::URLAuthenticationChallenge>& challenge, Ref<net::URLCredential>& credential) {
            credential = net::URLCredential::credentialForTrust(challenge->protectionSpace()->serverTrust());
            return net::AuthChallengeDisposition::UseCredential;
        });
        auto session = makeSession(recorder);
        if (upload)
            session->uploadTaskWithRequestFromData(req, upload)->resume();
        else
            session->dataTaskWithRequest(req)->resume();
        EXPECT_TRUE(recorder.waitForCompletions());
        return {recorder.error(), recorder.body()};
    }
    static Outcome send(const Ref<net::URLRequest>& req, Ref<foundation::Data> upload = nullptr)
    {
        SessionRecorder recorder;
        return send(req, recorder, std::move(upload));
    }
    static Ref<net::URLRequest> post(const std::string& url, const std::string& body = "password=hunter2&secret=0123abcd")
    {
        auto req = request(url, "POST");
        req->setHTTPBody(foundation::Data::create(std::string_view(body)));
        req->setValue("application/x-www-form-urlencoded", "Content-Type");
        return req;
    }

    static testpki::Identity* identity_;
    static HttpServer* plain_;
    static HttpServer* other_;
    static HttpServer* secure_;
    static Log* plainLog_;
    static Log* otherLog_;
    static Log* secureLog_;
};

testpki::Identity* RedirectTest::identity_ = nullptr;
HttpServer* RedirectTest::plain_ = nullptr;
HttpServer* RedirectTest::other_ = nullptr;
HttpServer* RedirectTest::secure_ = nullptr;
Log* RedirectTest::plainLog_ = nullptr;
Log* RedirectTest::otherLog_ = nullptr;
Log* RedirectTest::secureLog_ = nullptr;

} // namespace

TEST_F(RedirectTest, NothingGoesFromHttpsToHttp)
{
    const auto before = plainLog_->lines().size();
    for (const char* status : {"301", "302", "303", "307", "308"}) {
        SCOPED_TRACE(status);
        for (const auto& req : {request(secure_->url(std::string("/") + status + "/plain")), post(secure_->url(std::string("/") + status + "/plain"))}) {
            auto outcome = send(req);
            ASSERT_TRUE(outcome.error);
            EXPECT_EQ(outcome.error->code(), net::NSURLErrorAppTransportSecurityRequiresSecureConnection);
            EXPECT_EQ(outcome.error->localizedDescription(),
                      "The server redirected a secure request to an insecure address; the redirect was not followed.");
            EXPECT_EQ(outcome.body, "") << "the plain server's answer is nobody's";
        }
    }
    EXPECT_EQ(plainLog_->lines().size(), before) << "the plain server heard nothing";
}

TEST_F(RedirectTest, ARequestBodyNeverGoesToAnotherOrigin)
{
    const auto before = otherLog_->lines().size();
    for (const char* status : {"307", "308"}) {
        auto outcome = send(post(plain_->url(std::string("/") + status + "/other")));
        ASSERT_TRUE(outcome.error) << status;
        EXPECT_EQ(outcome.error->code(), net::NSURLErrorBadServerResponse);
        EXPECT_EQ(outcome.error->localizedDescription(),
                  "The server redirected the request with its body to another server; the redirect was not followed.");
    }
    // An upload task's body is a body too.
    auto upload = send(request(plain_->url("/307/other"), "PUT"), foundation::Data::create(std::string_view("token=abc")));
    ASSERT_TRUE(upload.error);
    EXPECT_EQ(upload.error->code(), net::NSURLErrorBadServerResponse);
    EXPECT_EQ(otherLog_->lines().size(), before);
}

TEST_F(RedirectTest, RedirectsWithoutABodyElsewhereOrWithItToTheSameServerGoOn)
{
    // 302 and 303 turn a POST into a GET without its body, which may go anywhere but to http.
    auto outcome = send(post(plain_->url("/302/other")));
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(outcome.body, "answer of GET");
    ASSERT_FALSE(otherLog_->lines().empty());
    EXPECT_EQ(otherLog_->lines().back(), "GET /echo ");

    // 307 keeps the body on the same origin, on http as on https.
    outcome = send(post(plain_->url("/307/same"), "a=1"));
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(plainLog_->lines().back(), "POST /echo a=1");
    outcome = send(post(secure_->url("/308/same"), "b=2"));
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(secureLog_->lines().back(), "POST /echo b=2");

    // An upload turned into a GET by 303 leaves its body behind.
    outcome = send(request(plain_->url("/303/same"), "POST"), foundation::Data::create(std::string_view("upload=1")));
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(plainLog_->lines().back(), "GET /echo ");
}

TEST_F(RedirectTest, TheDelegatesChoiceIsHeldToTheSameRules)
{
    const auto before = plainLog_->lines().size();
    SessionRecorder recorder;
    recorder.recordRedirects([](const Ref<net::URLRequest>& next) {
        auto rewritten = next->clone();
        rewritten->setURL(foundation::URL::URLWithString(plain_->url("/echo")));
        return rewritten;
    });
    auto outcome = send(post(secure_->url("/307/same")), recorder);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code(), net::NSURLErrorAppTransportSecurityRequiresSecureConnection);
    EXPECT_EQ(plainLog_->lines().size(), before);
}
