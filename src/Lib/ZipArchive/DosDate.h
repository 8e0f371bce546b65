#pragma once

#include <cstdint>
#include <ctime>

namespace zipentry {

// MS-DOS date and time (date in the high 16 bits) read in the local time zone. Out-of-range
// fields roll over as the calendar does (month 0 is December of the year before).
std::time_t timeFromDosDate(std::uint32_t dosDate);

// The inverse, in the local time zone; years before 1980 clamp to 1980-01-01 00:00:00.
std::uint32_t dosDateFromTime(std::time_t time);

} // namespace zipentry
