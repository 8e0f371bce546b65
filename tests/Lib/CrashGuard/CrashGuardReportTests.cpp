// The report: its entries, the located error place, its order across threads, re-entrancy and
// the cap on waiting reports.

#include "GuardTestSupport.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Foundation.h"

#include <functional>
#include <regex>
#include <thread>

using foundation::Array;
using foundation::Id;
using foundation::MutableArray;
using guardtest::entry;
using guardtest::Report;
using guardtest::stackOf;

namespace {

const std::string kUnlocated = std::string("Error Place:") + CrashGuard::kUnlocatedPlace;

// A class of the application whose methods misuse the object model. Not inlined, and each call is
// followed by a store, so that every method keeps a frame of its own.
class GuardProbe {
public:
    [[gnu::noinline]] void readPastEnd() { read_ = Array::create({ Id(1), Id(2), Id(3) })->objectAtIndex(5); }
    [[gnu::noinline]] std::function<void()> makeReader()
    {
        return [this] { read_ = Array::create({ Id(1) })->objectAtIndex(3); };
    }
    [[gnu::noinline]] void callFreeFunction();

    Id read_;
};

[[gnu::noinline]] void readPastEndFreely(GuardProbe& probe)
{
    probe.read_ = MutableArray::create()->objectAtIndex(1);
}

void GuardProbe::callFreeFunction()
{
    readPastEndFreely(*this);
    read_ = Id(1);
}

[[gnu::noinline]] void misuseOnAQueue()
{
    (void)Array::create()->objectAtIndex(0);
}

class GuardReport : public guardtest::GuardTest { };

} // namespace

TEST_F(GuardReport, HoldsTheSixEntriesOfTheException)
{
    GuardProbe probe;
    const Report report = onlyReportOf([&] { probe.readPastEnd(); });
    ASSERT_EQ(report->count(), 6u);
    const std::string reason = "*** -[NSArray objectAtIndex:]: index 5 beyond bounds [0 .. 2]";
    EXPECT_EQ(entry(report, CrashGuard::kErrorNameKey), "NSRangeException");
    EXPECT_EQ(entry(report, CrashGuard::kErrorReasonKey), reason);
    EXPECT_EQ(entry(report, CrashGuard::kErrorPlaceKey), "Error Place:-[GuardProbe readPastEnd]");
    EXPECT_EQ(entry(report, CrashGuard::kDefaultToDoKey), CrashGuard::kDefaultToReturnNil);

    auto exception = report->objectForKey(CrashGuard::kExceptionKey).as<foundation::ExceptionObject>();
    ASSERT_TRUE(exception);
    EXPECT_EQ(exception->isa()->name(), "NSException");
    EXPECT_EQ(exception->name()->utf8(), "NSRangeException");
    EXPECT_EQ(exception->reason()->utf8(), reason);

    // The stack in the platform's columns, the reporter on top and the probe's method further down.
    auto symbols = report->objectForKey(CrashGuard::kCallStackSymbolsKey).array();
    ASSERT_TRUE(symbols);
    ASSERT_GT(symbols->count(), 3u);
    EXPECT_EQ(exception->callStackSymbols(), symbols);
    const std::regex line(R"(\d+ +\S+ +0x[0-9a-f]{16} .+ \+ \d+)");
    for (const Id& symbol : *symbols)
        EXPECT_TRUE(std::regex_match(symbol.stringValue(), line)) << symbol.stringValue();
    EXPECT_NE(symbols->objectAtIndex(0).stringValue().find("CrashGuardReporter::handle"), std::string::npos);
    EXPECT_TRUE(std::any_of(symbols->begin(), symbols->end(), [](const Id& symbol) {
        return symbol.stringValue().find("GuardProbe::readPastEnd()") != std::string::npos;
    }));
}

TEST_F(GuardReport, ReasonsLoseTheGuardsNameAndAMissingReasonLeavesTheEntryOut)
{
    Report report = onlyReportOf(
        [] { foundation::misuse("NSGenericException", "a crashGuard-made crashGuardcrashGuard text"); });
    EXPECT_EQ(entry(report, CrashGuard::kErrorReasonKey), "a -made  text");
    EXPECT_EQ(
        report->objectForKey(CrashGuard::kExceptionKey).as<foundation::ExceptionObject>()->reason()->utf8(),
        "a crashGuard-made crashGuardcrashGuard text");

    // Building this report meets the missing reason in a literal: that misuse is the guard's own
    // and makes no report of its own.
    report = onlyReportOf([] { foundation::misuse("NSGenericException", ""); });
    EXPECT_EQ(report->count(), 5u);
    EXPECT_FALSE(report->containsKey(CrashGuard::kErrorReasonKey));
    EXPECT_EQ(entry(report, CrashGuard::kErrorNameKey), "NSGenericException");
}

TEST_F(GuardReport, NoteErrorWithExceptionReportsTheGivenException)
{
    auto exception = foundation::ExceptionObject::create("KXCustomException", "custom reason");
    const Report report
        = onlyReportOf([&] { CrashGuard::noteErrorWithException(exception, "what was done instead"); });
    EXPECT_EQ(report->objectForKey(CrashGuard::kExceptionKey).get(), exception.get());
    EXPECT_EQ(entry(report, CrashGuard::kErrorNameKey), "KXCustomException");
    EXPECT_EQ(entry(report, CrashGuard::kErrorReasonKey), "custom reason");
    EXPECT_EQ(entry(report, CrashGuard::kDefaultToDoKey), "what was done instead");
}

TEST_F(GuardReport, ErrorPlaceIsTheNearestMethodOfTheApplication)
{
    GuardProbe probe;
    // Through the platform's frames (the array, misuse(), the guard) to the probe's method.
    Report report = onlyReportOf([&] { probe.readPastEnd(); });
    EXPECT_EQ(entry(report, CrashGuard::kErrorPlaceKey), "Error Place:-[GuardProbe readPastEnd]")
        << stackOf(report);
    // A lambda counts as the method it was written in, wherever it runs.
    auto reader = probe.makeReader();
    report = onlyReportOf(reader);
    EXPECT_EQ(entry(report, CrashGuard::kErrorPlaceKey), "Error Place:-[GuardProbe makeReader]")
        << stackOf(report);
    // A free function stands for a category and is passed over.
    report = onlyReportOf([&] { probe.callFreeFunction(); });
    EXPECT_EQ(entry(report, CrashGuard::kErrorPlaceKey), "Error Place:-[GuardProbe callFreeFunction]")
        << stackOf(report);
}

TEST_F(GuardReport, ErrorPlaceFallsBackWhenOnlyPlatformFramesCalled)
{
    // A free function run by the dispatch layer's threads: nothing above it is the application's.
    const Report report = onlyReportOf([] {
        auto queue = dispatch::makeSerialQueue("com.corvane.tests.crashguard");
        queue->async(&misuseOnAQueue);
        queue->sync([] {}); // returns once the misuse has run
    });
    EXPECT_EQ(entry(report, CrashGuard::kErrorPlaceKey), kUnlocated) << stackOf(report);
}

TEST_F(GuardReport, ReportsFromAnotherThreadArriveOnTheMainThreadInOrder)
{
    auto reports = reportsOf([&] {
        std::thread worker([&] {
            auto array = MutableArray::create();
            (void)array->objectAtIndex(11);
            (void)array->objectAtIndex(12);
        });
        worker.join();
    });
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(entry(reports[0], CrashGuard::kErrorReasonKey).find("index 11"), std::string::npos);
    EXPECT_NE(entry(reports[1], CrashGuard::kErrorReasonKey).find("index 12"), std::string::npos);
}

TEST_F(GuardReport, AReportArrivesOnlyAfterTheMisusingCallReturned)
{
    // On the main thread, a report posted before the call returned would be seen at once.
    bool returned = false;
    std::vector<bool> returnedWhenSeen;
    auto observation
        = dispatch::NotificationCenter::defaultCenter().addObserver(CrashGuard::kNotificationName, {},
            nullptr, [&](const dispatch::Notification&) { returnedWhenSeen.push_back(returned); });
    auto reports = reportsOf([&] {
        EXPECT_TRUE(MutableArray::create()->objectAtIndex(13).isNil());
        returned = true;
    });
    ASSERT_EQ(reports.size(), 1u);
    ASSERT_FALSE(returnedWhenSeen.empty());
    EXPECT_TRUE(returnedWhenSeen.front());
}

TEST_F(GuardReport, EightThreadsAtOnceKeepEachThreadsOrder)
{
    constexpr int kThreads = 8;
    constexpr int kEach = 6; // 48 reports: under the cap
    auto reports = reportsOf([&] {
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([t] {
                auto array = MutableArray::create({ Id(t) });
                for (int i = 0; i < kEach; ++i)
                    array->removeObjectAtIndex(static_cast<std::size_t>(100 * (t + 1) + i));
            });
        for (auto& thread : threads)
            thread.join();
    });
    ASSERT_EQ(reports.size(), static_cast<std::size_t>(kThreads * kEach));
    std::vector<int> next(kThreads, 0);
    const std::regex index(R"(index (\d+) beyond)");
    for (const Report& report : reports) {
        std::smatch match;
        const std::string reason = entry(report, CrashGuard::kErrorReasonKey);
        ASSERT_TRUE(std::regex_search(reason, match, index)) << reason;
        const int value = std::stoi(match[1]);
        const int thread = value / 100 - 1;
        ASSERT_TRUE(thread >= 0 && thread < kThreads) << reason;
        EXPECT_EQ(value % 100, next[static_cast<std::size_t>(thread)]++) << "out of order: " << reason;
    }
}

TEST_F(GuardReport, AMisuseInsideAnObserverIsAnsweredWithoutAReport)
{
    int answeredInside = 0;
    auto misusingObserver = dispatch::NotificationCenter::defaultCenter().addObserver(
        CrashGuard::kNotificationName, {}, nullptr, [&](const dispatch::Notification&) {
            auto empty = MutableArray::create();
            if (empty->objectAtIndex(3).isNil())
                ++answeredInside;
        });
    const Report report = onlyReportOf([] { (void)Array::create()->objectAtIndex(1); });
    EXPECT_EQ(entry(report, CrashGuard::kErrorReasonKey),
        "*** -[NSArray objectAtIndex:]: index 1 beyond bounds for empty array");
    EXPECT_EQ(answeredInside, 2); // the report's and the marker's
}

TEST_F(GuardReport, AtMostSixtyFourReportsWaitAndTheRestAreCounted)
{
    constexpr std::size_t kMisuses = 100;
    const std::size_t before = received_->size();
    const unsigned long unreportedBefore = CrashGuard::unreportedMisuseCount();
    testing::internal::CaptureStderr();
    auto array = MutableArray::create();
    // The main queue does not run in between, so every report waits.
    for (std::size_t i = 0; i < kMisuses; ++i)
        EXPECT_TRUE(array->objectAtIndex(i).isNil());
    ASSERT_TRUE(waitForReports(before + CrashGuard::kMaxWaitingReports));
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(
        CrashGuard::unreportedMisuseCount() - unreportedBefore, kMisuses - CrashGuard::kMaxWaitingReports);
    EXPECT_NE(log.find("CrashGuard: 36 misuses answered without a report"), std::string::npos) << log;
    // Nothing more comes, and reporting goes on once the queue has room.
    EXPECT_EQ(reportsOf([] { (void)Array::create()->objectAtIndex(2); }).size(), 1u);
    EXPECT_EQ(received_->size(), before + CrashGuard::kMaxWaitingReports + 2);
    ASSERT_GT(received_->size(), before + CrashGuard::kMaxWaitingReports);
    EXPECT_NE(entry((*received_)[before + CrashGuard::kMaxWaitingReports - 1], CrashGuard::kErrorReasonKey)
                  .find("index 63"),
        std::string::npos);
}
