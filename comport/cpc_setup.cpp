#include "comport/cpc_setup.h"

namespace zev {

void TCPCSetup::Default(std::uint32_t pBaudRate, std::uint32_t pFlag) {
    DCB = zev::DCB{};
    DCB.DCBlength = sizeof(zev::DCB);
    DCB.BaudRate = pBaudRate;
    DCB.Flags = pFlag;
    DCB.XonLim = 2048;
    DCB.XoffLim = 512;
    DCB.ByteSize = 8;
    DCB.Parity = 0;
    DCB.StopBits = 0;
    DCB.XonChar = 0x11;
    DCB.XoffChar = 0x13;
    CTO = zev::COMMTIMEOUTS{};
    CTO.ReadIntervalTimeout = 0xFFFFFFFFu;
    BIN = 256;
    BOU = 256;
}

void TCPCSetup::Flags(bool fBinary, bool fParity, bool fOutxCtsFlow, bool fOutxDsrFlow,
                      bool fDsrSensitivity, bool fTXContinueOnXoff, bool fOutX, bool fInX,
                      bool fErrorChar, bool fNull, bool fAbortOnError, std::uint8_t fRtsControl,
                      std::uint8_t fDtrControl) {
    DCB.Flags = 0;
    DCB.fBinary(fBinary);
    DCB.fParity(fParity);
    DCB.fOutxCtsFlow(fOutxCtsFlow);
    DCB.fOutxDsrFlow(fOutxDsrFlow);
    DCB.fDsrSensitivity(fDsrSensitivity);
    DCB.fTXContinueOnXoff(fTXContinueOnXoff);
    DCB.fOutX(fOutX);
    DCB.fInX(fInX);
    DCB.fErrorChar(fErrorChar);
    DCB.fNull(fNull);
    DCB.fAbortOnError(fAbortOnError);
    DCB.fRtsControl(fRtsControl);
    DCB.fDtrControl(fDtrControl);
}

void TCPCSetup::TimeOuts(std::uint32_t pRIT, std::uint32_t pRTTM, std::uint32_t pRTTC,
                         std::uint32_t pWTTM, std::uint32_t pWTTC) {
    CTO.ReadIntervalTimeout = pRIT;
    CTO.ReadTotalTimeoutMultiplier = pRTTM;
    CTO.ReadTotalTimeoutConstant = pRTTC;
    CTO.WriteTotalTimeoutMultiplier = pWTTM;
    CTO.WriteTotalTimeoutConstant = pWTTC;
}

void TCPCSetup::Buffers(std::uint32_t BuffIn, std::uint32_t BuffOut) {
    BIN = BuffIn;
    BOU = BuffOut;
}

} // namespace zev
