#include "core/text.h"

namespace zev {

std::string Trim(const std::string& text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && blank(text[first])) ++first;
    while (last > first && blank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

std::string AppendIndented(const std::string& first, const std::string& second,
                           const std::string& indent) {
    std::string body = indent + second;
    // From the end towards the start, so inserted text is never scanned again.
    for (std::size_t pos = body.size(); pos >= 2; --pos) {
        if (body[pos - 2] == '\r' && body[pos - 1] == '\n') body.insert(pos, indent);
    }
    return first + "\r\n" + body;
}

} // namespace zev
