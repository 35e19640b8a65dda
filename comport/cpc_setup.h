#pragma once
// TCPCSetup: everything needed to configure an open port: line settings, timeouts and the sizes
// of the driver's queues. A plain value record; it can be saved to and loaded from an INI file or
// a key of the registry (or its equivalent on systems without one).

#include "platform/registry.h"
#include "platform/serial.h"

#include <cstdint>
#include <string>

namespace zev {

struct TCPCSetup {
    zev::DCB DCB;
    zev::COMMTIMEOUTS CTO;
    std::uint32_t BIN = 0; // driver input queue, bytes
    std::uint32_t BOU = 0; // driver output queue, bytes

    // The whole record: pBaudRate 8N1, flags pFlag, XON/XOFF 0x11/0x13 with limits 2048/512,
    // reads that return at once, no write timeouts, queues of 256 bytes.
    void Default(std::uint32_t pBaudRate, std::uint32_t pFlag);
    // Replaces DCB.Flags with these bits (all others 0).
    void Flags(bool fBinary, bool fParity, bool fOutxCtsFlow, bool fOutxDsrFlow,
               bool fDsrSensitivity, bool fTXContinueOnXoff, bool fOutX, bool fInX, bool fErrorChar,
               bool fNull, bool fAbortOnError, std::uint8_t fRtsControl, std::uint8_t fDtrControl);
    void TimeOuts(std::uint32_t pRIT, std::uint32_t pRTTM, std::uint32_t pRTTC, std::uint32_t pWTTM,
                  std::uint32_t pWTTC);
    void Buffers(std::uint32_t BuffIn, std::uint32_t BuffOut);

    // Sections DCB, CTO and BUFFERS. Saving raises an error naming the file when it cannot be
    // written; loading leaves every field whose key is missing or not a number as it was.
    void IniSave(const std::string& pFileName) const;
    void IniLoad(const std::string& pFileName);

    // Keys pKey\DCB, pKey\CTO and pKey. RegLoad is true when every value was found; missing ones
    // leave their fields as they were.
    void RegSave(os::TRegRoot pRoot, const std::string& pKey) const;
    bool RegLoad(os::TRegRoot pRoot, const std::string& pKey);
};

} // namespace zev
