#pragma once
// The parameters of one request/answer session.

#include <cstdint>

namespace zev {

struct TSessionParams {
    std::uint32_t TimeOut = 0;   // ms an attempt waits for the first byte of the answer
    std::uint16_t ReadCount = 0; // reading stops once the answer holds this many bytes
    std::uint32_t BetPacks = 0;  // ms of silence after data that ends the answer
    std::uint8_t Dublicate = 0;  // how often an unanswered request is sent again
    std::uint32_t DublWait = 0;  // ms of pause after each unanswered attempt; 0: none
    bool Loged = false;          // collect the session's timing trace

    // Sets the five values, clears Loged, and returns a copy of the record.
    TSessionParams Init(std::uint32_t pTO, std::uint16_t pRC, std::uint32_t pBP, std::uint8_t pD,
                        std::uint32_t pDW);
};

// The parameters a session runs with; null means the controller's own.
using PSessionParams = const TSessionParams*;

} // namespace zev
