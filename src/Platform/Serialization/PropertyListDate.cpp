#include "Platform/Foundation/Date.h"
#include "Platform/Serialization/PropertyListCodec.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace foundation::plist {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back (the usual era-based method).
long long daysFromCivil(long long year, unsigned month, unsigned day)
{
    year -= month <= 2;
    long long era = (year >= 0 ? year : year - 399) / 400;
    auto yearOfEra = static_cast<unsigned>(year - era * 400);
    unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

void civilFromDays(long long days, long long& year, unsigned& month, unsigned& day)
{
    days += 719468;
    long long era = (days >= 0 ? days : days - 146096) / 146097;
    auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    unsigned mp = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<long long>(yearOfEra) + era * 400 + (month <= 2);
}

// Years the XML form can hold with four digits; dates beyond are clamped to its ends.
constexpr double kEarliest = -62135596800.0 - Date::kReferenceDateOffset; // 0001-01-01
constexpr double kLatest = 253402300799.0 - Date::kReferenceDateOffset;   // 9999-12-31 23:59:59

bool readNumber(std::string_view text, std::size_t at, std::size_t digits, unsigned& value)
{
    value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    return true;
}

} // namespace

std::string formatDate(double sinceReferenceDate)
{
    double seconds = std::isnan(sinceReferenceDate) ? 0.0 : std::clamp(sinceReferenceDate, kEarliest, kLatest);
    auto total = static_cast<long long>(std::floor(seconds + Date::kReferenceDateOffset));
    long long days = total >= 0 ? total / 86400 : -((-total + 86399) / 86400);
    auto secondOfDay = static_cast<int>(total - days * 86400);
    long long year = 0;
    unsigned month = 0;
    unsigned day = 0;
    civilFromDays(days, year, month, day);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02d:%02d:%02dZ", year, month, day, secondOfDay / 3600,
        secondOfDay / 60 % 60, secondOfDay % 60);
    return buffer;
}

std::optional<double> parseDate(std::string_view text)
{
    // YYYY-MM-DDTHH:MM:SSZ
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':'
        || text[19] != 'Z')
        return std::nullopt;
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!readNumber(text, 0, 4, year) || !readNumber(text, 5, 2, month) || !readNumber(text, 8, 2, day)
        || !readNumber(text, 11, 2, hour) || !readNumber(text, 14, 2, minute) || !readNumber(text, 17, 2, second))
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    long long days = daysFromCivil(year, month, day);
    double sinceEpoch = static_cast<double>(days * 86400 + hour * 3600 + minute * 60 + second);
    return sinceEpoch - Date::kReferenceDateOffset;
}

} // namespace foundation::plist
