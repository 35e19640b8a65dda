#include "core/format.h"

#include <cstddef>

namespace zev {
namespace {

std::string Digits(std::uint64_t v, unsigned base) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[v % base]);
        v /= base;
    } while (v != 0);
    return out;
}

std::string Padded(std::string digits, std::size_t precision) {
    if (digits.size() < precision) digits.insert(0, precision - digits.size(), '0');
    return digits;
}

} // namespace

std::string Format(const std::string& fmt, std::initializer_list<FormatArg> args) {
    std::string out;
    auto next = args.begin();
    std::size_t i = 0;
    while (i < fmt.size()) {
        const char c = fmt[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        // A placeholder: %[.precision](s|d|x) or %%.
        std::size_t j = i + 1;
        if (j < fmt.size() && fmt[j] == '%') {
            out += '%';
            i = j + 1;
            continue;
        }
        std::size_t precision = 0;
        bool hasPrecision = false;
        if (j < fmt.size() && fmt[j] == '.') {
            hasPrecision = true;
            ++j;
            while (j < fmt.size() && fmt[j] >= '0' && fmt[j] <= '9' && precision < 64)
                precision = precision * 10 + static_cast<std::size_t>(fmt[j++] - '0');
        }
        const char kind = j < fmt.size() ? fmt[j] : '\0';
        if ((kind != 's' && kind != 'd' && kind != 'x') || next == args.end()) {
            // Not a placeholder we know, or no argument left for it: copy it as it stands.
            out.append(fmt, i, (kind ? j + 1 : j) - i);
            i = kind ? j + 1 : j;
            continue;
        }
        const auto& v = next->value();
        ++next;
        if (kind == 's') {
            if (const auto* s = std::get_if<std::string>(&v)) out += *s;
        } else if (const auto* s = std::get_if<std::string>(&v)) {
            out += *s; // a text given for a number is shown as it is
        } else {
            const bool isSigned = std::holds_alternative<std::int64_t>(v);
            const std::int64_t sv = isSigned ? std::get<std::int64_t>(v) : 0;
            const std::uint64_t uv =
                isSigned ? static_cast<std::uint64_t>(sv) : std::get<std::uint64_t>(v);
            if (kind == 'd') {
                const bool negative = isSigned && sv < 0;
                const std::uint64_t mag = negative ? (~uv + 1) : uv;
                out += negative ? "-" : "";
                out += Padded(Digits(mag, 10), hasPrecision ? precision : 0);
            } else {
                // Hexadecimal of a signed value is its 32-bit two's complement when it fits in
                // 32 bits, as the callers' 32-bit fields are.
                std::uint64_t hv = uv;
                if (isSigned && sv < 0 && sv >= INT32_MIN) hv = static_cast<std::uint32_t>(sv);
                out += Padded(Digits(hv, 16), hasPrecision ? precision : 0);
            }
        }
        i = j + 1;
    }
    return out;
}

} // namespace zev
