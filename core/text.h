#pragma once

#include <string>

namespace zev {

// The text without the blanks and control characters (bytes up to 0x20) at either end.
std::string Trim(const std::string& text);

// first + CR LF + indent + second, with indent also inserted after every CR LF inside second:
// a message followed by an indented trace line per step.
std::string AppendIndented(const std::string& first, const std::string& second,
                           const std::string& indent);

} // namespace zev
