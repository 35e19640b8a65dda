#pragma once
// The date-time of the identity record: a calendar date with a time of day. The device sends
// its dates as a BCD year within 2000 and a BCD month; such a date is day 1 at 00:00.

#include <cstdint>
#include <optional>

namespace zev {

struct TDevDateTime {
    int Year = 0, Month = 0, Day = 0;
    int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;

    bool operator==(const TDevDateTime&) const = default;
};

// Year 2000 + BCD(pYear), month BCD(pMonth), day 1, 00:00; nothing when either byte has a digit
// above 9 or the month is not 1 to 12.
std::optional<TDevDateTime> DevDateFromBCD(std::uint8_t pYear, std::uint8_t pMonth);

// The current local date and time, to the millisecond.
TDevDateTime DevDateTimeNow();

} // namespace zev
