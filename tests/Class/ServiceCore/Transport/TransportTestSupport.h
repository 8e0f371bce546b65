#pragma once

#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/Theme/ToastPresenter.h"
#include "Platform/Dispatch/Subscription.h"
#include "Platform/Foundation/Foundation.h"

#include "local-service/FaultScript.h"
#include "local-service/LocalService.h"
#include "local-service/RequestLog.h"

#include "Platform/URLLoading/LoopbackServers.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace transporttest {

// Remembers every toast instead of showing it.
class RecordingToastPresenter final : public ToastPresenter {
public:
    struct Shown {
        std::string message;
        ToastStyle style;
        void* window;
    };
    void show(const std::string& message, ToastStyle style, ToastWindow window) override { shown.push_back({message, style, window.handle}); }
    void dismiss() override {}

    std::vector<Shown> shown;
};

// The outcome of one operation: the reply handed to success, or the error handed to failure.
struct Outcome {
    bool done = false;
    foundation::Id reply;
    foundation::Ref<foundation::Error> error;
};

// One HTTPS local service per suite; CORVANE_API_BASE_URL and SSL_CERT_FILE point at it. Each test
// starts with no faults, an empty request log, no HTTP error log, the transport's user-defaults
// keys cleared, a recording toast presenter and a recorder of the sign-out notification.
class TransportTest : public ::testing::Test {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    void SetUp() override;
    void TearDown() override;

    static localservice::LocalService& service() { return *service_; }
    // A loopback HTTPS server with the service's certificate, which the client trusts as it trusts
    // the service; routes are set before start().
    static std::unique_ptr<urltest::HttpServer> trustedServer();
    static bool waitFor(const std::function<bool()>& predicate);
    // Runs `call` with callbacks that fill the outcome and waits until one of them ran.
    static Outcome run(const std::function<void(KXHTTPBUSINESS::Success, KXHTTPBUSINESS::Failure)>& call);
    static void setFault(const std::string& key, localservice::Fault::Kind kind, int errcode = 0, const std::string& message = {});
    // The next `count` requests of the operation (path or tag) are answered at once and their
    // replies held back until releaseHeldReplies() (at most 20 s): replies slow in transit that
    // land when the test says, after what they are to land after.
    static void holdNextReply(const std::string& operation, int count = 1);
    // Waits until `count` replies are held back. Requests sent one after another may reach the
    // service in either order: wait for the one to hold before sending the next.
    static bool waitForHeldReplies(int count = 1);
    // Waits until `count` replies are held back, then lets them all go.
    static bool releaseHeldReplies(int count = 1);
    // The one logged request of the service, checked to be the only one.
    static localservice::LoggedRequest onlyRequest();
    // The HTTP error log on disk, or nil.
    static foundation::Id errorLog();
    static void setDefault(const char* key, const foundation::Id& value);
    // The user's sign-out notifications seen so far (their user info).
    const std::vector<foundation::Ref<foundation::Dictionary>>& logouts() const { return *logouts_; }
    // Session tasks the client started during this test.
    static std::size_t tasksStarted() { return traffic_->started.size(); }
    // Runs the main queue until every task the client started has finished and its completion
    // handler has run, then until nothing more is queued. Afterwards no request the client did
    // not make can still be on its way, and every reply it got has been handled: a test that
    // something does not happen needs no real-time wait. `heldBack`: that many tasks may still be
    // waiting for replies the service holds back (holdNextReply).
    static bool waitForQuietTraffic(std::size_t heldBack = 0);

    std::shared_ptr<RecordingToastPresenter> toasts_;

private:
    static std::unique_ptr<localservice::LocalService> service_;
    // The tasks themselves are kept, so that no later task can take a finished one's address.
    struct Traffic {
        std::set<foundation::Ref<foundation::Object>> started;
        std::set<foundation::Ref<foundation::Object>> finished;
    };
    std::shared_ptr<std::vector<foundation::Ref<foundation::Dictionary>>> logouts_;
    // This test's tasks (the suite's last test's, once it ended).
    static std::shared_ptr<Traffic> traffic_;
    static void observeTraffic();
    dispatch::Subscription logoutObservation_;
};

} // namespace transporttest
