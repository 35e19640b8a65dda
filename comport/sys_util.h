#pragma once
// Small helpers the whole port library shares: the port handle and its validity, the system's
// error text for a code, and the text of a stored value that cannot be read.

#include "platform/serial.h"

#include <cstdint>
#include <string>
#include <system_error>

namespace zev {

// An operating-system port handle: 0 means no port, all bits set is the system's invalid value.
using TPortHandle = os::TPortHandle;

// True unless the handle is 0 or has all bits set.
bool IsValidHandle(TPortHandle handle);

// "<code>: <system text>", the code as an unsigned decimal number, the text without trailing
// blanks, line breaks or full stops.
std::string SysErrorText(std::uint32_t code);
// The same of a failed platform call's code.
std::string SysErrorText(const std::error_code& code);

// The registry's texts for a value that cannot be read: "Invalid data type for '<name>'" when the
// code is TErrorKind::WrongType, else "Failed to get data for '<name>'".
std::string ValueReadErrorText(const std::error_code& code, const std::string& name);

} // namespace zev
