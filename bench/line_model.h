#pragma once
// The two references an update is measured against.
//
// Line limit: every request and answer byte at the line's speed (ten bits a byte, 1920 bytes a
// second at 19200 baud) plus the device's own processing time of each command. No host can be
// faster than this on the line.
//
// Protocol floor: what the session algorithm itself takes with a host that costs nothing. After
// writing a request the session sleeps 2 x (8000 / baud) ms per byte beyond two (at least one
// byte), then polls the receive queue every 8000 / baud ms; both sleeps are rounded to whole
// milliseconds, never below one. The answer is complete when the request has crossed the line,
// the device has done its work and the answer has crossed back; the session sees it at the first
// poll from then on. The worker's pause before the reset is part of the floor too.

#include "datafiles/bootloader_image.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zev::bench {

// The device's own time for each command, in milliseconds.
struct TDeviceTimes {
    double IdentityMs = 1;
    double FlashMs = 5;
    double EepromMs = 100;
    double ResetMs = 20;
};

// One request/answer exchange: frame lengths in bytes and the device's time in between.
struct TExchange {
    std::size_t Request = 0;
    std::size_t Answer = 0;
    double WorkMs = 0;
};

// The frame of a command carries 0xFn, the length, the data and the check byte; every answer
// but the identity's is an empty frame of three bytes.
inline constexpr std::size_t kFrameOverhead = 3;
inline constexpr std::size_t kIdentityAnswer = 59;
inline constexpr std::size_t kEmptyAnswer = 3;
// The worker's plain sleep between the last line and the reset.
inline constexpr double kResetPauseMs = 200;

// The exchanges of one update in order: identity, flash lines, EEPROM lines, reset.
std::vector<TExchange> UpdateExchanges(const ALormanBootLoaderDataLines& pFlash,
                                       const ALormanBootLoaderDataLines& pEeprom,
                                       const TDeviceTimes& pTimes);

// What a sleep of pMs really lasts in the session code: whole milliseconds, at least one.
double SleptMs(double pMs);

// One exchange on the line: both frames at pBaud / 10 bytes a second plus the device's time.
double LineMs(const TExchange& pExchange, std::uint32_t pBaud);

// One exchange as the session algorithm runs it with a host that costs nothing.
double SessionFloorMs(const TExchange& pExchange, std::uint32_t pBaud);

struct TUpdateReference {
    std::size_t Exchanges = 0;
    std::size_t RequestBytes = 0;
    std::size_t AnswerBytes = 0;
    double DeviceMs = 0; // the devices' processing times, summed
    double LimitMs = 0;  // the line limit of the whole update
    double FloorMs = 0;  // the protocol floor of the whole update, reset pause included
    double FlashLineLimitMs = 0;
    double FlashLineFloorMs = 0;
    double EepromLineLimitMs = 0;
    double EepromLineFloorMs = 0;
};

// The references of one update of these lines (the first flash and EEPROM line stand for all
// in the per-line figures).
TUpdateReference UpdateReference(const ALormanBootLoaderDataLines& pFlash,
                                 const ALormanBootLoaderDataLines& pEeprom,
                                 const TDeviceTimes& pTimes, std::uint32_t pBaud);

} // namespace zev::bench
