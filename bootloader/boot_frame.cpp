#include "bootloader/boot_frame.h"

#include "bootloader/boot_codes.h"
#include "core/error.h"

namespace zev {

ABytes BootRequestFrame(std::uint8_t pCmd, const ABytes& pData) {
    const ABytes header = ABytesFromBytes(
        {static_cast<std::uint8_t>(0xF0 | pCmd), static_cast<std::uint8_t>(pData.size() & 0xFF)});
    ABytes frame = ABytesConcat(header, pData);
    ABytesInsertByte(frame, ABytesCRC8(frame), -1);
    return frame;
}

void BootCheckAnswer(const ABytes& pRecive, bool& pComplite) {
    if (pRecive.empty()) Raise(kBootErrNoAnswer);
    if (pRecive.size() < 3) Raise(kBootErrTooShort);
    if ((pRecive[0] & 0xF0) != 0xF0) Raise(kBootErrBadHeader);
    if (pRecive.size() < static_cast<std::size_t>(pRecive[1]) + 3) Raise(kBootErrIncomplete);
    pComplite = true;
}

} // namespace zev
