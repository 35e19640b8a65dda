#pragma once
// Reading the values of the simulator's settings; every bad value raises an Error that names
// what was expected.

#include "core/text.h"

#include <cstdint>
#include <string>

namespace zev::devsim {

// A whole number, decimal or with 0x hexadecimal, within [pMin, pMax].
std::uint64_t ParseNumber(const std::string& pText, std::uint64_t pMin, std::uint64_t pMax);
// A duration in milliseconds, a non-negative decimal number.
double ParseMs(const std::string& pText);
// "instant" or "paced" (true).
bool ParseTiming(const std::string& pText);
// A firmware version: "1.05" (major.minor, both hexadecimal as the window shows them) or a
// 16-bit number such as 0x0105.
std::uint16_t ParseVersion(const std::string& pText);
// A date as the device sends it, two BCD bytes: "2017-09" (year 2000..2099, month 1..12), or
// "raw:YYMM" with any two hexadecimal bytes (to send invalid dates). Returns year << 8 | month.
std::uint16_t ParseBcdDate(const std::string& pText);
// A device name of at most 10 Windows-1251 bytes, given in UTF-8.
std::string ParseName(const std::string& pText);
// The text in lower case (ASCII letters).
std::string Lower(const std::string& pText);

} // namespace zev::devsim
