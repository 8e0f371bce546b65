#include "local-service/FileValidators.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace localservice {

namespace {

constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string_view opaque(std::string_view tag)
{
    tag = trimmed(tag);
    if (tag.substr(0, 2) == "W/")
        tag.remove_prefix(2);
    return tag;
}

bool digits(std::string_view text, int& value)
{
    value = 0;
    if (text.empty())
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

} // namespace

std::string FileValidators::entityTag(std::string_view bytes)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    char text[24];
    std::snprintf(text, sizeof text, "\"%016llx\"", static_cast<unsigned long long>(hash));
    return text;
}

std::string FileValidators::httpDate(std::time_t time)
{
    std::tm parts{};
    gmtime_r(&time, &parts);
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[static_cast<size_t>(parts.tm_wday)],
                  parts.tm_mday, kMonths[static_cast<size_t>(parts.tm_mon)], parts.tm_year + 1900, parts.tm_hour,
                  parts.tm_min, parts.tm_sec);
    return text;
}

std::optional<std::time_t> FileValidators::parseHttpDate(std::string_view text)
{
    // "Sun, 06 Nov 1994 08:49:37 GMT": fixed positions.
    text = trimmed(text);
    if (text.size() != 29 || text[3] != ',' || text[4] != ' ' || text[7] != ' ' || text[11] != ' ' || text[16] != ' ' ||
        text[19] != ':' || text[22] != ':' || text.substr(25) != " GMT")
        return std::nullopt;
    std::tm parts{};
    int month = -1;
    for (size_t i = 0; i < kMonths.size(); ++i)
        if (text.substr(8, 3) == kMonths[i])
            month = static_cast<int>(i);
    int day = 0, year = 0, hour = 0, minute = 0, second = 0;
    if (month < 0 || !digits(text.substr(5, 2), day) || !digits(text.substr(12, 4), year) ||
        !digits(text.substr(17, 2), hour) || !digits(text.substr(20, 2), minute) || !digits(text.substr(23, 2), second) ||
        day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    parts.tm_mday = day;
    parts.tm_mon = month;
    parts.tm_year = year - 1900;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    return timegm(&parts);
}

bool FileValidators::notModified(const std::string* ifNoneMatch, const std::string* ifModifiedSince,
                                 const std::string& entityTag, std::optional<std::time_t> lastModified)
{
    if (ifNoneMatch) {
        std::string_view list = *ifNoneMatch;
        while (!list.empty()) {
            const size_t comma = list.find(',');
            const std::string_view tag = opaque(list.substr(0, comma));
            if (tag == "*" || tag == opaque(entityTag))
                return true;
            list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        }
        return false;
    }
    if (ifModifiedSince && lastModified) {
        const auto since = parseHttpDate(*ifModifiedSince);
        return since && *lastModified <= *since;
    }
    return false;
}

} // namespace localservice
