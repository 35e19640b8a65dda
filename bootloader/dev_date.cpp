#include "bootloader/dev_date.h"

#include "platform/system.h"

namespace zev {

namespace {
// The byte read as two decimal digits (0x17 is 17); nothing when a digit is above 9.
std::optional<int> FromBCD(std::uint8_t value) {
    const int high = value >> 4;
    const int low = value & 0x0F;
    if (high > 9 || low > 9) return std::nullopt;
    return high * 10 + low;
}
} // namespace

std::optional<TDevDateTime> DevDateFromBCD(std::uint8_t pYear, std::uint8_t pMonth) {
    const std::optional<int> year = FromBCD(pYear);
    const std::optional<int> month = FromBCD(pMonth);
    if (!year || !month || *month < 1 || *month > 12) return std::nullopt;
    TDevDateTime date;
    date.Year = 2000 + *year;
    date.Month = *month;
    date.Day = 1;
    return date;
}

TDevDateTime DevDateTimeNow() {
    const os::TLocalTime now = os::LocalTimeNow();
    TDevDateTime date;
    date.Year = now.year;
    date.Month = now.month;
    date.Day = now.day;
    date.Hour = now.hour;
    date.Minute = now.minute;
    date.Second = now.second;
    date.Millisecond = now.millisecond;
    return date;
}

} // namespace zev
