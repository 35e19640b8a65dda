#pragma once
// printf-like formatting with the program's own rules:
//   %s  text            %d  signed decimal          %x  unsigned hexadecimal, upper-case, no prefix
//   a precision (%.2x, %.8x, %.3d) gives at least that many digits, padded with zeros;
//   %% is a percent sign; anything else is copied unchanged.
// Arguments are checked at run time: a missing or mistyped argument formats as the
// placeholder itself instead of reading garbage.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <variant>

namespace zev {

class FormatArg {
public:
    FormatArg(const std::string& s) : FValue(s) {}
    FormatArg(const char* s) : FValue(std::string(s ? s : "")) {}
    FormatArg(int v) : FValue(static_cast<std::int64_t>(v)) {}
    FormatArg(long v) : FValue(static_cast<std::int64_t>(v)) {}
    FormatArg(long long v) : FValue(static_cast<std::int64_t>(v)) {}
    FormatArg(unsigned v) : FValue(static_cast<std::uint64_t>(v)) {}
    FormatArg(unsigned long v) : FValue(static_cast<std::uint64_t>(v)) {}
    FormatArg(unsigned long long v) : FValue(static_cast<std::uint64_t>(v)) {}
    FormatArg(unsigned char v) : FValue(static_cast<std::uint64_t>(v)) {}
    FormatArg(unsigned short v) : FValue(static_cast<std::uint64_t>(v)) {}
    FormatArg(short v) : FValue(static_cast<std::int64_t>(v)) {}

    const std::variant<std::string, std::int64_t, std::uint64_t>& value() const { return FValue; }

private:
    std::variant<std::string, std::int64_t, std::uint64_t> FValue;
};

std::string Format(const std::string& fmt, std::initializer_list<FormatArg> args);

} // namespace zev
