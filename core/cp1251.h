#pragma once
// Device names travel as 8-bit Windows-1251 bytes (in the package and in the device identity).
// They stay bytes inside the program and are decoded only where they are shown.

#include <string>

namespace zev {

// Windows-1251 bytes to UTF-8. The one unassigned byte (0x98) becomes U+FFFD.
std::string Cp1251ToUtf8(const std::string& bytes);

// UTF-8 to Windows-1251 bytes; a character the code page lacks becomes '?'.
std::string Utf8ToCp1251(const std::string& utf8);

} // namespace zev
