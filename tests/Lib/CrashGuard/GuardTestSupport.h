#pragma once

#include "Lib/CrashGuard/CrashGuard.h"
#include "Platform/Dispatch/Subscription.h"
#include "Platform/Foundation/Dictionary.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace guardtest {

using Report = foundation::Ref<foundation::Dictionary>;

// Installs the guard as the application does (makeAllEffective) and records the reports that
// reach the main thread.
class GuardTest : public ::testing::Test {
protected:
    void SetUp() override;

    // The reports that `action` caused, in their order: those that arrived before the report of a
    // marker misuse made right after it, which keeps its place in the order.
    std::vector<Report> reportsOf(const std::function<void()>& action);
    // The one report of `action`; a test failure when there is not exactly one.
    Report onlyReportOf(const std::function<void()>& action);
    // Runs the main queue until `count` reports arrived in all.
    bool waitForReports(std::size_t count);

    std::shared_ptr<std::vector<Report>> received_ = std::make_shared<std::vector<Report>>();
    std::shared_ptr<bool> offMainThread_ = std::make_shared<bool>(false);

private:
    dispatch::Subscription observation_;
};

// The text under `key`, or "<absent>".
std::string entry(const Report& report, const char* key);
// The report's call stack, a line a frame, for failure messages.
std::string stackOf(const Report& report);

} // namespace guardtest
