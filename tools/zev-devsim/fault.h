#pragma once
// Injected faults. A fault is a kind, the command it applies to and which of that command's
// requests it hits, counted per fault from the device's start (a host's retry is a new request):
//
//   KIND [COMMAND] [n=N | every=K | first=N | after=K] [addr=A] [len=L] [bytes=B]
//
// kinds: drop (no answer), nibble (answer's first byte without the F high nibble), short (only
// the first len bytes of the answer, default 2), noise (bytes noise bytes before the answer,
// default 4), silence (from this request on the device answers nothing at all), close (the
// device closes its port at this request and is gone), idlen (the identity answer is a
// complete frame of len bytes in all, default 49); commands: id, eeprom, flash, reset, any.

#include <cstdint>
#include <optional>
#include <string>

namespace zev::devsim {

enum class TFaultKind { Drop, Nibble, Short, Noise, Silence, Close, IdLen };
enum class TFaultWhen { Always, Nth, Every, First, After };

// Command codes of the bootloader.
inline constexpr int kCmdIdentity = 0;
inline constexpr int kCmdEeprom = 1;
inline constexpr int kCmdFlash = 2;
inline constexpr int kCmdReset = 3;
inline constexpr int kCmdAny = -1;

struct TFault {
    TFaultKind Kind = TFaultKind::Drop;
    int Cmd = kCmdAny;
    TFaultWhen When = TFaultWhen::Always;
    std::uint64_t N = 0;
    std::optional<std::uint32_t> Addr; // line address: flash byte address or EEPROM offset
    int Len = 2;                       // short: bytes kept; idlen: bytes in all
    int Bytes = 4;                     // noise: bytes sent before the answer
    std::string Text;                  // as written, for the dump
    std::uint64_t Seen = 0;            // requests matched so far

    // Counts a request when it is of this fault's command (and address) and tells whether the
    // fault hits it.
    bool Hits(int pCmd, std::optional<std::uint32_t> pAddr);
};

TFault ParseFault(const std::string& pText);
const char* FaultKindName(TFaultKind pKind);

} // namespace zev::devsim
