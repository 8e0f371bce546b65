#include "Lib/ZipArchive/DosDate.h"

namespace zipentry {

std::time_t timeFromDosDate(std::uint32_t dosDate)
{
    struct tm parts {};
    parts.tm_year = static_cast<int>((dosDate >> 25) & 0x7F) + 1980 - 1900;
    parts.tm_mon = static_cast<int>((dosDate >> 21) & 0x0F) - 1;
    parts.tm_mday = static_cast<int>((dosDate >> 16) & 0x1F);
    parts.tm_hour = static_cast<int>((dosDate >> 11) & 0x1F);
    parts.tm_min = static_cast<int>((dosDate >> 5) & 0x3F);
    parts.tm_sec = static_cast<int>(dosDate & 0x1F) * 2;
    parts.tm_isdst = -1;
    return ::mktime(&parts);
}

std::uint32_t dosDateFromTime(std::time_t time)
{
    struct tm parts {};
    if (!::localtime_r(&time, &parts) || parts.tm_year < 80)
        return (1u << 21) | (1u << 16);
    if (parts.tm_year - 80 > 127)
        return (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;
    std::uint32_t date = (static_cast<std::uint32_t>(parts.tm_year - 80) << 9)
        | (static_cast<std::uint32_t>(parts.tm_mon + 1) << 5) | static_cast<std::uint32_t>(parts.tm_mday);
    std::uint32_t clock = (static_cast<std::uint32_t>(parts.tm_hour) << 11)
        | (static_cast<std::uint32_t>(parts.tm_min) << 5) | static_cast<std::uint32_t>(parts.tm_sec / 2);
    return (date << 16) | clock;
}

} // namespace zipentry
