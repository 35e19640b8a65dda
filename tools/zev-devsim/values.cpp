#include "tools/zev-devsim/values.h"

#include "core/cp1251.h"
#include "core/error.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace zev::devsim {

std::string Lower(const std::string& pText) {
    std::string out = pText;
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::uint64_t ParseNumber(const std::string& pText, std::uint64_t pMin, std::uint64_t pMax) {
    const std::string text = Trim(pText);
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    const auto bad = [&] {
        Raise("'" + pText + "' is not a number from " + std::to_string(pMin) + " to " +
              std::to_string(pMax));
    };
    if (digits.empty() || digits.size() > 20) bad();
    std::uint64_t value = 0;
    for (char c : digits) {
        int d = 0;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            bad();
        const std::uint64_t base = hex ? 16 : 10;
        if (value > (UINT64_MAX - static_cast<std::uint64_t>(d)) / base) bad();
        value = value * base + static_cast<std::uint64_t>(d);
    }
    if (value < pMin || value > pMax) bad();
    return value;
}

double ParseMs(const std::string& pText) {
    const std::string text = Trim(pText);
    char* end = nullptr;
    const double v = text.empty() ? -1 : std::strtod(text.c_str(), &end);
    if (text.empty() || end == nullptr || *end != '\0' || !std::isfinite(v) || v < 0 || v > 1e7)
        Raise("'" + pText + "' is not a duration in milliseconds (0 or more)");
    return v;
}

bool ParseTiming(const std::string& pText) {
    const std::string t = Lower(Trim(pText));
    if (t == "paced") return true;
    if (t == "instant") return false;
    Raise("timing must be 'instant' or 'paced', not '" + pText + "'");
}

std::uint16_t ParseVersion(const std::string& pText) {
    const std::string text = Trim(pText);
    const std::size_t dot = text.find('.');
    if (dot == std::string::npos) return static_cast<std::uint16_t>(ParseNumber(text, 0, 0xFFFF));
    try {
        const auto major = ParseNumber("0x" + text.substr(0, dot), 0, 0xFF);
        const auto minor = ParseNumber("0x" + text.substr(dot + 1), 0, 0xFF);
        return static_cast<std::uint16_t>(major << 8 | minor);
    } catch (const Error&) {
        Raise("'" + pText + "' is not a version such as 1.05 (two hexadecimal parts) or 0x0105");
    }
}

std::uint16_t ParseBcdDate(const std::string& pText) {
    const std::string text = Lower(Trim(pText));
    if (text.rfind("raw:", 0) == 0) {
        const std::string hex = text.substr(4);
        if (hex.size() != 4)
            Raise("a raw date is four hexadecimal digits, year then month: " + pText);
        return static_cast<std::uint16_t>(ParseNumber("0x" + hex, 0, 0xFFFF));
    }
    const std::size_t dash = text.find('-');
    try {
        if (dash == std::string::npos) Raise("");
        const auto year = ParseNumber(text.substr(0, dash), 2000, 2099) - 2000;
        const auto month = ParseNumber(text.substr(dash + 1), 1, 12);
        const auto bcd = [](std::uint64_t v) { return (v / 10) << 4 | (v % 10); };
        return static_cast<std::uint16_t>(bcd(year) << 8 | bcd(month));
    } catch (const Error&) {
        Raise("'" + pText + "' is not a date such as 2017-09 (years 2000 to 2099) or raw:1A13");
    }
}

std::string ParseName(const std::string& pText) {
    const std::string bytes = Utf8ToCp1251(pText);
    if (bytes.size() > 10)
        Raise("the name '" + pText + "' is longer than 10 characters (" +
              std::to_string(bytes.size()) + ")");
    return bytes;
}

} // namespace zev::devsim
