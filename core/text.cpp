#include "core/text.h"

namespace zev {

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
