#pragma once
// The two frames of the bootloader protocol.
//
// Request (host to device): 0xF0 | command, the data length modulo 256, the data, and a
// CRC-8/MAXIM of everything before it.
// Answer (device to host): a byte with high nibble F, the data length N, N data bytes and a
// final byte that is required but not verified. Bytes after a complete answer are kept.

#include "datafiles/abytes.h"

#include <cstdint>

namespace zev {

// The request frame for a command and its data field.
ABytes BootRequestFrame(std::uint8_t pCmd, const ABytes& pData);

// Judges the bytes received so far: sets pComplite when they hold a complete answer frame,
// otherwise raises "0x0100" (nothing), "0x0101" (fewer than 3 bytes), "0x0102" (no F high
// nibble) or "0x0103" (fewer bytes than the length byte announces).
void BootCheckAnswer(const ABytes& pRecive, bool& pComplite);

} // namespace zev
