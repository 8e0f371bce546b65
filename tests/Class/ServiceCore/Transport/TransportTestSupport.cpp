#include "TransportTestSupport.h"

#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPErrorLog.h"
#include "Class/ServiceCore/UnitTools/KXFileManager.h"
#include "Lib/Networking/NKNetworking.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/TempHome.h"
#include "local-service/TestCertificate.h"

#include <algorithm>
#include <cstdlib>

using foundation::Id;
using foundation::Ref;

namespace transporttest {

std::unique_ptr<localservice::LocalService> TransportTest::service_;
std::shared_ptr<TransportTest::Traffic> TransportTest::traffic_;

std::unique_ptr<urltest::HttpServer> TransportTest::trustedServer()
{
    const auto paths = localservice::TestCertificate::pathsIn(service().stateDir());
    return std::make_unique<urltest::HttpServer>(paths.serverCertificate, paths.serverKey);
}

void TransportTest::SetUpTestSuite()
{
    localservice::ServiceOptions options;
    options.stateDir = testsupport::makeScratchDir("local-service");
    const char* binary = std::getenv("CORVANE_BINARY_DIR");
    options.resourcesDir = std::filesystem::path(binary ? binary : ".") / "resources";
    options.quiet = true;
    service_ = std::make_unique<localservice::LocalService>(options);
    std::string error;
    ASSERT_TRUE(service_->start(&error)) << error;
    setenv("SSL_CERT_FILE", service_->caCertificatePath().c_str(), 1);
    setenv(KXHTTPBUSINESS::kBaseURLVariable, service_->baseUrl().c_str(), 1);
}

void TransportTest::TearDownTestSuite()
{
    // Replies still on their way are handled before the service goes: a transfer the stop cuts
    // off would otherwise complete on the engine's threads while the process exits.
    if (traffic_) {
        EXPECT_TRUE(waitForQuietTraffic());
    }
    service_.reset();
}

void TransportTest::SetUp()
{
    ASSERT_TRUE(service_ && service_->isRunning());
    service_->faults().clearAll();
    service_->requestLog().clear();
    // A test that accepts the agreement as newbie leaves the next one a newbie who has not.
    service_->setAgreed("newbie", false);
    KXFileManager::sharedKXFileManager().removeFileByPathkey(foundation::String::create(KXHTTPErrorLog::kFileKey));
    for (const char* key : {"UIID", "token", "agreementPending", "macType", "macAddress", "typeFrom", "appVersion", "dataVersion", "SystemVersion", "collect_version"})
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey(key);
    // The module client errors name is process-wide: every test starts from the default.
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(nullptr);
    toasts_ = std::make_shared<RecordingToastPresenter>();
    ToastPresenter::setShared(toasts_);
    logouts_ = std::make_shared<std::vector<Ref<foundation::Dictionary>>>();
    auto seen = logouts_;
    logoutObservation_ = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXHTTPREQUEST::kLogoutNotification, Id(), nullptr,
        [seen](const dispatch::Notification& notification) { seen->push_back(notification.userInfo); });
    traffic_ = std::make_shared<Traffic>();
    observeTraffic();
}

void TransportTest::observeTraffic()
{
    // Both are posted on the main queue: a resume when the task starts, a completion after its
    // completion handler ran. The observers stay for the whole process (a task may finish after
    // its test), and record into the current test's traffic.
    auto& center = dispatch::NotificationCenter::defaultCenter();
    static const auto* const resumes = new dispatch::Subscription(center.addObserver(
        std::string(NKNetworkingTaskDidResumeNotification), Id(), nullptr,
        [](const dispatch::Notification& notification) { traffic_->started.insert(notification.object.ref()); }));
    static const auto* const completions = new dispatch::Subscription(center.addObserver(
        std::string(NKNetworkingTaskDidCompleteNotification), Id(), nullptr,
        [](const dispatch::Notification& notification) { traffic_->finished.insert(notification.object.ref()); }));
    (void)resumes;
    (void)completions;
}

void TransportTest::TearDown()
{
    ToastPresenter::setShared(nullptr);
}

bool TransportTest::waitFor(const std::function<bool()>& predicate)
{
    return dispatch::RunLoop::runUntil(predicate, 20);
}

bool TransportTest::waitForQuietTraffic(std::size_t heldBack)
{
    dispatch::RunLoop::drain();
    auto traffic = traffic_;
    const bool quiet = waitFor([traffic, heldBack] {
        const auto unfinished = std::count_if(traffic->started.begin(), traffic->started.end(),
                                              [&](const auto& task) { return !traffic->finished.contains(task); });
        return static_cast<std::size_t>(unfinished) <= heldBack;
    });
    dispatch::RunLoop::drain();
    return quiet;
}

Outcome TransportTest::run(const std::function<void(KXHTTPBUSINESS::Success, KXHTTPBUSINESS::Failure)>& call)
{
    auto outcome = std::make_shared<Outcome>();
    call(
        [outcome](const Id& reply) {
            outcome->done = true;
            outcome->reply = reply;
        },
        [outcome](const Ref<foundation::Error>& error) {
            outcome->done = true;
            outcome->error = error;
        });
    EXPECT_TRUE(waitFor([outcome] { return outcome->done; }));
    return *outcome;
}

void TransportTest::setFault(const std::string& key, localservice::Fault::Kind kind, int errcode, const std::string& message)
{
    localservice::Fault fault;
    fault.kind = kind;
    fault.errcode = errcode;
    fault.message = message;
    service_->faults().set(key, fault);
}

void TransportTest::holdNextReply(const std::string& operation, int count)
{
    localservice::Fault fault;
    fault.kind = localservice::Fault::Kind::LateReply;
    fault.delay = std::chrono::seconds(20);
    fault.remaining = count;
    service_->faults().set(operation, fault);
}

bool TransportTest::waitForHeldReplies(int count)
{
    return waitFor([count] { return service_->faults().heldCount() >= count; });
}

bool TransportTest::releaseHeldReplies(int count)
{
    const bool held = waitForHeldReplies(count);
    service_->faults().releaseHeld();
    return held;
}

localservice::LoggedRequest TransportTest::onlyRequest()
{
    const auto entries = service_->requestLog().entries();
    EXPECT_EQ(entries.size(), 1u);
    return entries.empty() ? localservice::LoggedRequest{} : entries.back();
}

Id TransportTest::errorLog()
{
    return KXFileManager::sharedKXFileManager().returnDecryptDataByPathKey(foundation::String::create(KXHTTPErrorLog::kFileKey));
}

void TransportTest::setDefault(const char* key, const Id& value)
{
    foundation::UserDefaults::standardUserDefaults().setObject(value, key);
}

} // namespace transporttest
