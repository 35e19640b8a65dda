#pragma once
// The event codes both bootloader workers send to the main window, and how the programming
// worker packs them.
//
// Search worker: wParam = its index, lParam = the code.
// Programming worker: wParam = index << 16 | code, lParam = the percentage for evProgress,
// else 0.

#include <cstdint>

namespace zev {

inline constexpr std::uint16_t evStarted = 0;  // the job has begun; nothing opened yet
inline constexpr std::uint16_t evProgress = 1; // programming only: percentage in lParam
inline constexpr std::uint16_t evDone = 2;     // the job succeeded
inline constexpr std::uint16_t evFailed = 3;   // the job failed

inline constexpr std::uint32_t PackProgEvent(std::uint8_t pIndex, std::uint16_t pCode) {
    return static_cast<std::uint32_t>(pIndex) << 16 | pCode;
}
inline constexpr std::uint8_t ProgEventIndex(std::uint32_t wParam) {
    return static_cast<std::uint8_t>(wParam >> 16);
}
inline constexpr std::uint16_t ProgEventCode(std::uint32_t wParam) {
    return static_cast<std::uint16_t>(wParam & 0xFFFF);
}

// The progress after line k (from 0) of lines 0 .. pTotal: k * 100 / pTotal rounded to the
// nearest integer, halves to the even neighbour. With a single line (pTotal 0) it is 100.
std::uint32_t ProgressPercent(std::int64_t k, std::int64_t pTotal);

} // namespace zev
