#include "core/com_name.h"

#include <cctype>
#include <limits>

namespace zev {

namespace {

constexpr std::string_view kCom = "COM";
constexpr std::string_view kDevicePrefix = "\\\\.\\";

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// True when text has "COM" at pos, in any letter case.
bool ComAt(std::string_view text, std::size_t pos) {
    if (text.size() - pos < kCom.size()) return false;
    for (std::size_t i = 0; i < kCom.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[pos + i])) != kCom[i]) return false;
    return true;
}

} // namespace

std::optional<std::int32_t> ParseInt32(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    std::int64_t number = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) return std::nullopt;
        number = number * 10 + (text[i] - '0');
        if (number > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1)
            return std::nullopt;
    }
    if (negative) number = -number;
    if (number > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    return static_cast<std::int32_t>(number);
}

std::optional<std::int32_t> ComNameNumber(std::string_view name) {
    for (std::size_t pos = 0; pos < name.size(); ++pos)
        if (ComAt(name, pos)) return ParseInt32(name.substr(pos + kCom.size()));
    return ParseInt32(name);
}

std::optional<std::int32_t> ComDeviceNumber(std::string_view name) {
    if (name.substr(0, kDevicePrefix.size()) == kDevicePrefix)
        name.remove_prefix(kDevicePrefix.size());
    if (!ComAt(name, 0)) return std::nullopt;
    const std::string_view digits = name.substr(kCom.size());
    // Digits only: ParseInt32 would also take a sign.
    if (digits.empty() || !IsDigit(digits.front())) return std::nullopt;
    return ParseInt32(digits);
}

} // namespace zev
