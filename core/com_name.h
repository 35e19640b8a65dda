#pragma once
// COM port names: "COM" and a decimal port number. Two readers share the number parser: the port
// library reads a name leniently (the number after the first "COM" anywhere in the name, or the
// whole name as a number, a sign allowed), while a name that stands for a device file must be
// exactly "COMn" or "\\.\COMn". The rules stay two because both are observable: the library's
// name checks accept "3" and "xCOM3" and tell "COM-1" (a number error) from "COMX" (a name error),
// and no device file may be reached by a name that is not plainly a COM port.

#include <cstdint>
#include <optional>
#include <string_view>

namespace zev {

// A signed decimal integer that fits 32 bits: an optional sign, then one or more digits and
// nothing else.
std::optional<std::int32_t> ParseInt32(std::string_view text);

// The port library's reading: the text after the first "COM" (any letter case), or the whole name
// when it has none, read by ParseInt32. "com3", "3" and "xCOM3" give 3, "COM-1" gives -1; "COM",
// "COMX" and "LPT1" give nothing.
std::optional<std::int32_t> ComNameNumber(std::string_view name);

// The number of a name that is "COM" (any letter case) followed by digits only, with or without
// "\\.\" in front: "COM3" and "\\.\com12" give 3 and 12; "COM+3", "xCOM3" and "3" give nothing.
std::optional<std::int32_t> ComDeviceNumber(std::string_view name);

} // namespace zev
