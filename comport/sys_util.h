#pragma once
// Small helpers the whole port library shares: the port handle and its validity, and the
// system's error text for a code.

#include "platform/serial.h"

#include <cstdint>
#include <string>

namespace zev {

// An operating-system port handle: 0 means no port, all bits set is the system's invalid value.
using TPortHandle = os::TPortHandle;

// True unless the handle is 0 or has all bits set.
bool IsValidHandle(TPortHandle handle);

// "<code>: <system text>", the code as an unsigned decimal number, the text without trailing
// blanks, line breaks or full stops.
std::string SysErrorText(std::uint32_t code);

} // namespace zev
