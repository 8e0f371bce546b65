#pragma once

#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/Theme/ToastPresenter.h"
#include "Platform/Dispatch/Subscription.h"
#include "Platform/Foundation/Foundation.h"

#include "local-service/FaultScript.h"
#include "local-service/LocalService.h"
#include "local-service/RequestLog.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
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
    static bool waitFor(const std::function<bool()>& predicate);
    // Runs `call` with callbacks that fill the outcome and waits until one of them ran.
    static Outcome run(const std::function<void(KXHTTPBUSINESS::Success, KXHTTPBUSINESS::Failure)>& call);
    static void setFault(const std::string& key, localservice::Fault::Kind kind, int errcode = 0, const std::string& message = {});
    // The one logged request of the service, checked to be the only one.
    static localservice::LoggedRequest onlyRequest();
    // The HTTP error log on disk, or nil.
    static foundation::Id errorLog();
    static void setDefault(const char* key, const foundation::Id& value);
    // The user's sign-out notifications seen so far (their user info).
    const std::vector<foundation::Ref<foundation::Dictionary>>& logouts() const { return *logouts_; }

    std::shared_ptr<RecordingToastPresenter> toasts_;

private:
    static std::unique_ptr<localservice::LocalService> service_;
    std::shared_ptr<std::vector<foundation::Ref<foundation::Dictionary>>> logouts_;
    dispatch::Subscription logoutObservation_;
};

} // namespace transporttest
