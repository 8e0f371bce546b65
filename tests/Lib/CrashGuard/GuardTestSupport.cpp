#include "GuardTestSupport.h"

#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/RunLoop.h"

namespace guardtest {

namespace {

constexpr const char* kMarkerName = "CrashGuardTestMarker";
// Generous: the first report reads the test binary's debug information, slowly under sanitizers.
constexpr double kTimeoutSeconds = 120;

bool isMarker(const Report& report)
{
    return entry(report, CrashGuard::kErrorNameKey) == kMarkerName;
}

} // namespace

void GuardTest::SetUp()
{
    CrashGuard::makeAllEffective();
    observation_ = dispatch::NotificationCenter::defaultCenter().addObserver(CrashGuard::kNotificationName,
        {}, nullptr,
        [received = received_, offMain = offMainThread_](const dispatch::Notification& notification) {
            *offMain = *offMain || !dispatch::isMainThread() || !notification.object.isNil();
            received->push_back(notification.userInfo);
        });
}

std::vector<Report> GuardTest::reportsOf(const std::function<void()>& action)
{
    const std::size_t before = received_->size();
    action();
    foundation::misuse(kMarkerName, "the end of one action's reports");
    const bool marked = dispatch::RunLoop::runUntil(
        [&] { return received_->size() > before && isMarker(received_->back()); }, kTimeoutSeconds);
    EXPECT_TRUE(marked) << "the marker report did not arrive";
    EXPECT_FALSE(*offMainThread_) << "a report arrived off the main thread or with an object";
    if (!marked)
        return {};
    return std::vector<Report>(
        received_->begin() + static_cast<std::ptrdiff_t>(before), received_->end() - 1);
}

Report GuardTest::onlyReportOf(const std::function<void()>& action)
{
    auto reports = reportsOf(action);
    EXPECT_EQ(reports.size(), 1u);
    return reports.empty() ? foundation::Dictionary::create() : reports.front();
}

bool GuardTest::waitForReports(std::size_t count)
{
    return dispatch::RunLoop::runUntil([&] { return received_->size() >= count; }, kTimeoutSeconds);
}

std::string entry(const Report& report, const char* key)
{
    const foundation::Id value = report ? report->objectForKey(key) : foundation::Id();
    return value.isNil() ? "<absent>" : value.stringValue();
}

std::string stackOf(const Report& report)
{
    const auto symbols = report ? report->objectForKey(CrashGuard::kCallStackSymbolsKey).array() : nullptr;
    return symbols ? "\n" + symbols->componentsJoinedByString("\n") : std::string("<no stack>");
}

} // namespace guardtest
