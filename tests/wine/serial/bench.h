#pragma once
// The simulated peers that com_peers.py puts on two COM ports for these tests, and small helpers.

#include "datafiles/abytes.h"

#include <cstdint>
#include <functional>
#include <string>

namespace zev::bench {

// Every byte b sent to this port is answered at once with (b + 1) mod 256.
std::string AnswerPort();
// This port answers nothing but kQuery, with the number of bytes received before it (32 bits,
// little-endian), and then counts from zero again.
std::string SilentPort();
inline constexpr std::uint8_t kQuery = 0x3F;

// A port number that nothing maps, far above the ports Wine finds by itself.
inline constexpr const char* kMissingPort = "COM199";

// The bytes of the answering peer's answer to data.
ABytes AnswerOf(const ABytes& data);

// Polls until done() holds or ms have passed; returns done().
bool WaitFor(const std::function<bool()>& done, double ms);

} // namespace zev::bench
