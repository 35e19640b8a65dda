#include "bench/line_model.h"

#include <algorithm>
#include <cmath>

namespace zev::bench {

std::vector<TExchange> UpdateExchanges(const ALormanBootLoaderDataLines& pFlash,
                                       const ALormanBootLoaderDataLines& pEeprom,
                                       const TDeviceTimes& pTimes) {
    std::vector<TExchange> list;
    list.push_back({kFrameOverhead, kIdentityAnswer, pTimes.IdentityMs});
    // A flash line carries the word address in two bytes, an EEPROM line its offset in one.
    for (const auto& line : pFlash)
        list.push_back({kFrameOverhead + 2 + line.D.size(), kEmptyAnswer, pTimes.FlashMs});
    for (const auto& line : pEeprom)
        list.push_back({kFrameOverhead + 1 + line.D.size(), kEmptyAnswer, pTimes.EepromMs});
    list.push_back({kFrameOverhead, kEmptyAnswer, pTimes.ResetMs});
    return list;
}

double SleptMs(double pMs) {
    return std::max(1.0, std::nearbyint(pMs)); // the default rounding takes halves to even
}

double LineMs(const TExchange& pExchange, std::uint32_t pBaud) {
    const double byteMs = 10000.0 / pBaud;
    return static_cast<double>(pExchange.Request + pExchange.Answer) * byteMs + pExchange.WorkMs;
}

double SessionFloorMs(const TExchange& pExchange, std::uint32_t pBaud) {
    const double charMs = 8000.0 / pBaud;
    const std::size_t beyondTwo = pExchange.Request > 2 ? pExchange.Request - 2 : 1;
    const double pause = SleptMs(2.0 * charMs * static_cast<double>(beyondTwo));
    const double poll = SleptMs(charMs);
    // The read loop sleeps before its first look, so there is at least one poll.
    const double polls = std::max(1.0, std::ceil((LineMs(pExchange, pBaud) - pause) / poll));
    return pause + polls * poll;
}

TUpdateReference UpdateReference(const ALormanBootLoaderDataLines& pFlash,
                                 const ALormanBootLoaderDataLines& pEeprom,
                                 const TDeviceTimes& pTimes, std::uint32_t pBaud) {
    TUpdateReference ref;
    for (const TExchange& x : UpdateExchanges(pFlash, pEeprom, pTimes)) {
        ++ref.Exchanges;
        ref.RequestBytes += x.Request;
        ref.AnswerBytes += x.Answer;
        ref.DeviceMs += x.WorkMs;
        ref.LimitMs += LineMs(x, pBaud);
        ref.FloorMs += SessionFloorMs(x, pBaud);
    }
    ref.FloorMs += SleptMs(kResetPauseMs);
    if (!pFlash.empty()) {
        const TExchange x{kFrameOverhead + 2 + pFlash.front().D.size(), kEmptyAnswer,
                          pTimes.FlashMs};
        ref.FlashLineLimitMs = LineMs(x, pBaud);
        ref.FlashLineFloorMs = SessionFloorMs(x, pBaud);
    }
    if (!pEeprom.empty()) {
        const TExchange x{kFrameOverhead + 1 + pEeprom.front().D.size(), kEmptyAnswer,
                          pTimes.EepromMs};
        ref.EepromLineLimitMs = LineMs(x, pBaud);
        ref.EepromLineFloorMs = SessionFloorMs(x, pBaud);
    }
    return ref;
}

} // namespace zev::bench
