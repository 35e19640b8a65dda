#pragma once
// The bootloader's command codes and the error codes of the bootloader link.

#include <cstdint>

namespace zev {

// Command codes: the low nibble of a request frame's first byte.
inline constexpr std::uint8_t kBootCmdDeviceID = 0;
inline constexpr std::uint8_t kBootCmdEEPROM = 1;
inline constexpr std::uint8_t kBootCmdFlash = 2;
inline constexpr std::uint8_t kBootCmdReset = 3;

// Errors of the answer frame check, raised with exactly these messages.
inline constexpr const char* kBootErrNoAnswer = "0x0100";   // nothing received
inline constexpr const char* kBootErrTooShort = "0x0101";   // fewer than 3 bytes
inline constexpr const char* kBootErrBadHeader = "0x0102";  // first byte's high nibble not F
inline constexpr const char* kBootErrIncomplete = "0x0103"; // fewer bytes than announced
// The identity answer passed the frame check but is shorter than 50 bytes.
inline constexpr const char* kBootErrShortIdentity = "0x0104";

} // namespace zev
