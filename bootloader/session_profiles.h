#pragma once
// The settings the bootloader link runs with: the port at 19200 baud 8N1 in binary mode, and
// one session profile per worker. A worker sets its profile right after creating its
// controller and never changes it.

#include "comport/cpc_setup.h"
#include "comport/session_params.h"

namespace zev {

inline constexpr std::uint32_t kBootBaudRate = 19200;

// TCPCSetup::Default for 19200 baud with the binary-mode flag.
TCPCSetup BootPortSetup();

// Search: 300 ms for the first byte, 64 bytes at most, 100 ms gap, three attempts 400 ms apart.
TSessionParams SearchSessionProfile();

// Programming: 750 ms for the first byte, 64 bytes at most, 100 ms gap, two attempts with a
// 1000 ms pause after each unanswered one.
TSessionParams ProgSessionProfile();

} // namespace zev
