#include "Platform/DateFormat/DateFormatter.h"
#include "Platform/Foundation/Date.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using foundation::Date;
using foundation::DateFormatter;

namespace {

// 2026-12-28 12:34:56 UTC, a Monday in the week that holds 1 January 2027.
constexpr double kLateDecember = 1798461296;
// 2021-01-01 00:00:00 UTC, a Friday.
constexpr double kNewYear2021 = 1609459200;

std::unique_ptr<DateFormatter> formatter(
    std::string_view pattern, std::string_view locale = "en_US_POSIX", std::string_view zone = "GMT")
{
    auto result = std::make_unique<DateFormatter>();
    result->setLocaleIdentifier(locale);
    EXPECT_TRUE(result->setTimeZoneName(zone));
    result->setDateFormat(pattern);
    return result;
}

} // namespace

TEST(DateFormatterYears, WeekBasedYearDiffersFromCalendarYearAtTheTurn)
{
    auto date = Date::dateWithTimeIntervalSince1970(kLateDecember);
    EXPECT_EQ(formatter("yyyy-MM-dd HH:mm:ss")->stringFromDate(*date), "2026-12-28 12:34:56");
    EXPECT_EQ(formatter("YYYY-MM-dd HH:mm:ss")->stringFromDate(*date), "2027-12-28 12:34:56");
}

TEST(DateFormatterYears, WeekRulesComeFromTheLocale)
{
    auto date = Date::dateWithTimeIntervalSince1970(kNewYear2021);
    EXPECT_EQ(formatter("YYYY", "en_US")->stringFromDate(*date), "2021");
    EXPECT_EQ(formatter("YYYY", "de_DE")->stringFromDate(*date), "2020");
}

TEST(DateFormatterZones, NamedZonesAndFixedOffsets)
{
    auto date = Date::dateWithTimeIntervalSince1970(kNewYear2021);
    EXPECT_EQ(formatter("yyyy-MM-dd HH:mm ZZZZZ", "en_US_POSIX", "Asia/Shanghai")->stringFromDate(*date),
        "2021-01-01 08:00 +08:00");
    auto fixed = formatter("HH:mm");
    fixed->setTimeZoneSecondsFromGMT(-(3 * 3600 + 30 * 60));
    EXPECT_EQ(fixed->stringFromDate(*date), "20:30");
    EXPECT_EQ(fixed->timeZoneName(), "GMT-03:30");
    EXPECT_FALSE(fixed->setTimeZoneName("Nowhere/Atlantis"));
    EXPECT_EQ(fixed->timeZoneName(), "GMT-03:30");
}

TEST(DateFormatterText, LocaleNamesAndLiterals)
{
    auto date = Date::dateWithTimeIntervalSince1970(kLateDecember);
    EXPECT_EQ(formatter("EEEE, d MMMM 'at' h a")->stringFromDate(*date), "Monday, 28 December at 12 PM");
    EXPECT_EQ(formatter("yyyy年M月d日 EEEE", "zh_CN")->stringFromDate(*date), "2026年12月28日 星期一");
}

TEST(DateFormatterParsing, RoundTripsAndFillsMissingFieldsFrom2000)
{
    auto full = formatter("yyyy-MM-dd HH:mm:ss");
    auto parsed = full->dateFromString("2026-12-28 12:34:56");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->timeIntervalSince1970(), kLateDecember);
    auto timeOnly = formatter("HH:mm")->dateFromString("10:30");
    ASSERT_TRUE(timeOnly);
    EXPECT_EQ(full->stringFromDate(*timeOnly), "2000-01-01 10:30:00");
}

TEST(DateFormatterParsing, StrictAndWhole)
{
    auto full = formatter("yyyy-MM-dd");
    EXPECT_FALSE(full->dateFromString("2026-02-30"));
    EXPECT_FALSE(full->dateFromString("2026-12-28 trailing"));
    EXPECT_FALSE(full->dateFromString("28/12/2026"));
    EXPECT_FALSE(full->dateFromString(""));
    EXPECT_TRUE(full->dateFromString("2026-12-28"));
}

TEST(DateFormatterPatterns, AnInvalidPatternFormatsNothing)
{
    auto broken = formatter("yyyy-MM-dd jj");
    EXPECT_EQ(broken->stringFromDate(*Date::dateWithTimeIntervalSince1970(0)), "");
    EXPECT_FALSE(broken->dateFromString("1970-01-01"));
    EXPECT_EQ(broken->dateFormat(), "yyyy-MM-dd jj");
}

TEST(DateFormatterClass, FoundByNameBelowNSFormatter)
{
    const foundation::Class* cls = foundation::Class::named("NSDateFormatter");
    ASSERT_EQ(cls, DateFormatter::classObject());
    EXPECT_EQ(cls->superclass()->name(), "NSFormatter");
    EXPECT_TRUE(cls->createInstance()->isKindOfClass(cls));
}

TEST(DateFormatterThreads, OneFormatterServesSeveralThreads)
{
    auto shared = formatter("yyyy-MM-dd HH:mm:ss");
    std::atomic<int> wrong { 0 };
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                double seconds = kNewYear2021 + t * 86400 + i;
                auto text = shared->stringFromDate(*Date::dateWithTimeIntervalSince1970(seconds));
                auto back = shared->dateFromString(text);
                if (!back || back->timeIntervalSince1970() != seconds)
                    ++wrong;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}
