// Windows error codes: their kinds and their texts.

#include "platform/error.h"
#include "platform/win32/wide_text.h"

#include <windows.h>

namespace zev::os {

// CreateFileW's last error: file not found for a port that does not exist, access denied for one
// that another program holds open (a sharing violation where the port is a file that another
// opener shares with nobody). Ports carry no permissions of their own for the user, so nothing
// here is AccessDenied. The registry reads give the unsupported type of RegGetValueW
// for a value of another type than the one asked for.
std::optional<TErrorKind> SystemErrorKind(int code) {
    switch (static_cast<DWORD>(code)) {
    case ERROR_FILE_NOT_FOUND:
        return TErrorKind::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return TErrorKind::Busy;
    case ERROR_UNSUPPORTED_TYPE:
        return TErrorKind::WrongType;
    default:
        return std::nullopt;
    }
}

std::string SystemErrorMessage(const std::error_code& code) {
    if (code.category() != std::system_category()) return code.message();
    const DWORD value = static_cast<DWORD>(code.value());
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, value, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string result = length != 0 && text != nullptr ? win32::Narrow(text, length) : "";
    if (text != nullptr) LocalFree(text);
    // The system has no text for codes it does not know; the code alone would end in a blank.
    if (result.find_first_not_of(" \t\r\n.") == std::string::npos)
        result = "Unknown error " + std::to_string(value);
    return result;
}

} // namespace zev::os
