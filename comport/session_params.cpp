#include "comport/session_params.h"

namespace zev {

TSessionParams TSessionParams::Init(std::uint32_t pTO, std::uint16_t pRC, std::uint32_t pBP,
                                    std::uint8_t pD, std::uint32_t pDW) {
    TimeOut = pTO;
    ReadCount = pRC;
    BetPacks = pBP;
    Dublicate = pD;
    DublWait = pDW;
    Loged = false;
    return *this;
}

} // namespace zev
