#pragma once

#include "Platform/Foundation/Object.h"

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace foundation {

class Date;
class String;

// Dates to text and back with Unicode date patterns (ICU), read as the platform reads them:
// "yyyy" is the calendar year and "YYYY" the week-based year, "HH" 0-23, "hh" 1-12, "a" the
// period, "ZZZZZ" an ISO offset, text inside single quotes is literal.
//
// A new formatter uses the process's locale and time zone (ICU's defaults, from LANG and TZ).
// Parsing is strict, must consume the whole text, and fills fields that the pattern lacks from
// 2000-01-01 00:00:00 in the formatter's time zone, as the platform does. Safe to share between
// threads.
class DateFormatter final : public Object {
public:
    static const Class* classObject(); // NSDateFormatter, below NSFormatter
    const Class* isa() const override;
    static Ref<DateFormatter> create() { return std::make_shared<DateFormatter>(); }

    DateFormatter();
    ~DateFormatter() override;
    DateFormatter(const DateFormatter&) = delete;
    DateFormatter& operator=(const DateFormatter&) = delete;

    void setDateFormat(std::string_view pattern);
    std::string dateFormat() const;

    // An ICU/platform identifier: "en_US", "zh_CN", "en_US_POSIX".
    void setLocaleIdentifier(std::string_view identifier);
    std::string localeIdentifier() const;

    // A zone name ("GMT", "UTC", "Asia/Shanghai"); false for a name the zone database lacks,
    // which leaves the zone unchanged.
    bool setTimeZoneName(std::string_view name);
    void setTimeZoneSecondsFromGMT(int seconds);
    std::string timeZoneName() const;

    std::string stringFromDate(const Date& date) const;
    // nil when the text does not match the pattern.
    Ref<Date> dateFromString(std::string_view text) const;

private:
    struct State;
    void rebuildLocked();

    mutable std::mutex mutex_;
    std::unique_ptr<State> state_;
};

} // namespace foundation
