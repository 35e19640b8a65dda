#pragma once
// How the platform's calls fail. A call that can fail returns a std::error_code: empty on success,
// otherwise the system's own code in std::system_category() (GetLastError or the registry call's
// status on Windows, errno on POSIX), taken right after the failing operation. The callers tell
// apart only the meanings of TErrorKind, by comparing a code with them (code == TErrorKind::Busy);
// any other code is shown with SystemErrorMessage.

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

namespace zev::os {

// The meanings the callers' messages need; each backend says which of its codes have them.
enum class TErrorKind {
    NotFound = 1, // no such port, key or value
    Busy,         // the port is held elsewhere
    WrongType,    // a stored value has another type than the one asked for
    AccessDenied, // the user may not open the port (its device file's permissions)
};

// The category of the TErrorKind conditions: a system code is equivalent to the kind the backend
// gives it.
const std::error_category& ErrorKindCategory();
std::error_condition make_error_condition(TErrorKind kind);

// A system code as an error code; 0 gives the empty one.
inline std::error_code SystemError(int code) {
    return {code, std::system_category()};
}

// The kind of a system code; nothing for a code of no kind. Defined by each backend.
std::optional<TErrorKind> SystemErrorKind(int code);

// The system's text for a code, in UTF-8, as the system gives it (trailing blanks and full stops
// included; on Windows FormatMessageW's text). Codes of another category give their message().
std::string SystemErrorMessage(const std::error_code& code);

} // namespace zev::os

namespace std {
template <> struct is_error_condition_enum<zev::os::TErrorKind> : true_type {};
} // namespace std
