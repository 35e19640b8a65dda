#include "core/com_name.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

namespace zev {
namespace {

using Number = std::optional<std::int32_t>;
constexpr Number kNone = std::nullopt;

// Each name read both ways: by the port library's rule and by the device-file rule.
TEST(ComName, BothReadingsOfOneTableOfNames) {
    struct Case {
        std::string name;
        Number library, device;
    };
    const Case cases[] = {
        {"COM3", 3, 3},
        {"com3", 3, 3},
        {"CoM12", 12, 12},
        {"COM007", 7, 7},
        {"COM0", 0, 0},
        {"\\\\.\\COM12", 12, 12},
        {"\\\\.\\com10", 10, 10},
        {"COM2147483647", 2147483647, 2147483647},
        // Only the library takes a sign, a bare number, or "COM" inside the name.
        {"COM-1", -1, kNone},
        {"COM+5", 5, kNone},
        {"COM-2147483648", std::numeric_limits<std::int32_t>::min(), kNone},
        {"3", 3, kNone},
        {"-4", -4, kNone},
        {"xCOM3", 3, kNone},
        {"\\\\?\\COM3", 3, kNone},
        {"\\\\.\\\\.\\COM3", 3, kNone},
        {"LPTCOM2", 2, kNone},
        // The first "COM" decides: what follows it must be the number.
        {"COMCOM3", kNone, kNone},
        {"COM", kNone, kNone},
        {"COMX", kNone, kNone},
        {"COM 3", kNone, kNone},
        {"COM3 ", kNone, kNone},
        {"COM1a", kNone, kNone},
        {"COM-", kNone, kNone},
        {"COM2147483648", kNone, kNone},
        {"COM99999999999", kNone, kNone},
        {"LPT1", kNone, kNone},
        {"/dev/ttyS0", kNone, kNone},
        {"", kNone, kNone},
        {"\\\\.\\", kNone, kNone},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ComNameNumber(c.name), c.library) << "library rule, name " << c.name;
        EXPECT_EQ(ComDeviceNumber(c.name), c.device) << "device rule, name " << c.name;
    }
}

TEST(ParseInt32, SignDigitsAndTheLimitsOf32Bits) {
    struct Case {
        std::string text;
        Number number;
    };
    const Case cases[] = {
        {"0", 0},
        {"+0", 0},
        {"-0", 0},
        {"0042", 42},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"2147483648", kNone},
        {"-2147483649", kNone},
        {"00000000000000000001", 1},
        {"", kNone},
        {"+", kNone},
        {"--1", kNone},
        {"1-", kNone},
        {" 1", kNone},
        {"0x10", kNone},
        {"1.0", kNone},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseInt32(c.text), c.number) << "text " << c.text;
}

} // namespace
} // namespace zev
