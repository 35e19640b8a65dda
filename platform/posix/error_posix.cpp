// errno values: their kinds and their texts.

#include "platform/error.h"

#include <cerrno>
#include <cstring>
#include <type_traits>

namespace zev::os {

// errno, as open, flock and stat leave it, has three meanings of its own; every other code, EIO
// of a terminal that cannot be opened (a locked pseudo-terminal) among them, is shown with its
// own text. The key store gives ENOMSG for a value that is no 32-bit number.
std::optional<TErrorKind> SystemErrorKind(int code) {
    switch (code) {
    case ENOENT:  // no such file
    case ENOTDIR: // a path through something that is not a folder
    case ENXIO:   // a device node without its device
    case ENODEV:  // no such device, or a UART node without hardware
    case ENOTTY:  // a device, but no terminal
        return TErrorKind::NotFound;
    case EBUSY:       // opened exclusively elsewhere (TIOCEXCL), or the console
    case EWOULDBLOCK: // locked by another opener (flock)
        return TErrorKind::Busy;
    case ENOMSG: // no message of the desired type
        return TErrorKind::WrongType;
    case EACCES: // the device file's permissions do not let this user open it
    case EPERM:
        return TErrorKind::AccessDenied;
    default:
        return std::nullopt;
    }
}

std::string SystemErrorMessage(const std::error_code& code) {
    if (code.category() != std::system_category()) return code.message();
    char buffer[256] = {0};
    // strerror_r comes in two forms (GNU returns the text, XSI fills the buffer); both handled.
    auto result = ::strerror_r(code.value(), buffer, sizeof buffer);
    if constexpr (std::is_same_v<decltype(result), char*>)
        return result ? std::string(result) : std::string(buffer);
    else
        return result == 0
                   ? std::string(buffer)
                   : "Unknown error " + std::to_string(static_cast<std::uint32_t>(code.value()));
}

} // namespace zev::os
