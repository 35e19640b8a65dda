#pragma once
// The serial port calls the port library makes, with the records they exchange. The records keep
// the layout and field names of the Windows communications API, so the Windows backend hands them
// to the system as they are and the library reads and writes the same fields everywhere.
//
// Every call fails as platform/error.h says.

#include "platform/error.h"

#include <cstdint>
#include <string>

namespace zev {

// Line settings; 28 bytes, laid out as the Windows DCB.
struct DCB {
    std::uint32_t DCBlength = sizeof(DCB);
    std::uint32_t BaudRate = 0;
    std::uint32_t Flags = 0; // bit fields, see the accessors below
    std::uint16_t wReserved = 0;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 0;
    std::uint8_t Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t StopBits = 0; // 0 one, 1 one and a half, 2 two
    std::uint8_t XonChar = 0;
    std::uint8_t XoffChar = 0;
    std::uint8_t ErrorChar = 0;
    std::uint8_t EofChar = 0;
    std::uint8_t EvtChar = 0;
    std::uint16_t wReserved1 = 0;

    // The bit fields of Flags: a getter and a setter of the same name each.
    bool fBinary() const { return Bit(0); }
    void fBinary(bool v) { SetBit(0, v); }
    bool fParity() const { return Bit(1); }
    void fParity(bool v) { SetBit(1, v); }
    bool fOutxCtsFlow() const { return Bit(2); }
    void fOutxCtsFlow(bool v) { SetBit(2, v); }
    bool fOutxDsrFlow() const { return Bit(3); }
    void fOutxDsrFlow(bool v) { SetBit(3, v); }
    std::uint8_t fDtrControl() const { return Field2(4); } // 0 off, 1 on, 2 handshake
    void fDtrControl(std::uint8_t v) { SetField2(4, v); }
    bool fDsrSensitivity() const { return Bit(6); }
    void fDsrSensitivity(bool v) { SetBit(6, v); }
    bool fTXContinueOnXoff() const { return Bit(7); }
    void fTXContinueOnXoff(bool v) { SetBit(7, v); }
    bool fOutX() const { return Bit(8); }
    void fOutX(bool v) { SetBit(8, v); }
    bool fInX() const { return Bit(9); }
    void fInX(bool v) { SetBit(9, v); }
    bool fErrorChar() const { return Bit(10); }
    void fErrorChar(bool v) { SetBit(10, v); }
    bool fNull() const { return Bit(11); }
    void fNull(bool v) { SetBit(11, v); }
    std::uint8_t fRtsControl() const { return Field2(12); } // 0 off, 1 on, 2 handshake, 3 toggle
    void fRtsControl(std::uint8_t v) { SetField2(12, v); }
    bool fAbortOnError() const { return Bit(14); }
    void fAbortOnError(bool v) { SetBit(14, v); }

private:
    bool Bit(int n) const { return (Flags >> n) & 1u; }
    void SetBit(int n, bool v) { Flags = v ? (Flags | (1u << n)) : (Flags & ~(1u << n)); }
    std::uint8_t Field2(int n) const { return static_cast<std::uint8_t>((Flags >> n) & 3u); }
    void SetField2(int n, std::uint8_t v) { Flags = (Flags & ~(3u << n)) | ((v & 3u) << n); }
};
static_assert(sizeof(DCB) == 28, "DCB must keep the system's layout");

// Port timeouts in milliseconds, as the Windows COMMTIMEOUTS.
struct COMMTIMEOUTS {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
};
static_assert(sizeof(COMMTIMEOUTS) == 20, "COMMTIMEOUTS must keep the system's layout");

// Error and queue status, as the Windows COMSTAT.
struct COMSTAT {
    std::uint32_t Flags = 0;    // fCtsHold .. fTxim bit fields
    std::uint32_t cbInQue = 0;  // bytes received and waiting to be read
    std::uint32_t cbOutQue = 0; // bytes waiting to be sent
};
static_assert(sizeof(COMSTAT) == 12, "COMSTAT must keep the system's layout");

// Port properties, as the Windows COMMPROP.
struct COMMPROP {
    std::uint16_t wPacketLength = 0;
    std::uint16_t wPacketVersion = 0;
    std::uint32_t dwServiceMask = 0;
    std::uint32_t dwReserved1 = 0;
    std::uint32_t dwMaxTxQueue = 0; // largest transmit queue the driver supports; 0: no limit
    std::uint32_t dwMaxRxQueue = 0; // largest receive queue the driver supports; 0: no limit
    std::uint32_t dwMaxBaud = 0;
    std::uint32_t dwProvSubType = 0;
    std::uint32_t dwProvCapabilities = 0;
    std::uint32_t dwSettableParams = 0;
    std::uint32_t dwSettableBaud = 0;
    std::uint16_t wSettableData = 0;
    std::uint16_t wSettableStopParity = 0;
    std::uint32_t dwCurrentTxQueue = 0;
    std::uint32_t dwCurrentRxQueue = 0;
    std::uint32_t dwProvSpec1 = 0;
    std::uint32_t dwProvSpec2 = 0;
    std::uint16_t wcProvChar[1] = {0};
};
static_assert(sizeof(COMMPROP) == 64, "COMMPROP must keep the system's layout");

// A port's default configuration, as the Windows COMMCONFIG.
struct COMMCONFIG {
    std::uint32_t dwSize = sizeof(COMMCONFIG);
    std::uint16_t wVersion = 0;
    std::uint16_t wReserved = 0;
    zev::DCB dcb;
    std::uint32_t dwProviderSubType = 0;
    std::uint32_t dwProviderOffset = 0;
    std::uint32_t dwProviderSize = 0;
    std::uint16_t wcProviderData[1] = {0};
};
static_assert(sizeof(COMMCONFIG) == 52, "COMMCONFIG must keep the system's layout");

namespace os {

// A port handle: pointer-sized and unsigned; 0 and the value with all bits set mean no port.
using TPortHandle = std::uintptr_t;
inline constexpr TPortHandle kNoPort = 0;
inline constexpr TPortHandle kInvalidPort = ~TPortHandle{0};

// Access rights of SerialOpen.
inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;

// Purge flags of SerialPurge.
inline constexpr std::uint32_t kPurgeTxAbort = 0x01;
inline constexpr std::uint32_t kPurgeRxAbort = 0x02;
inline constexpr std::uint32_t kPurgeTxClear = 0x04;
inline constexpr std::uint32_t kPurgeRxClear = 0x08;

// Error mask bits of SerialClearErrors.
inline constexpr std::uint32_t kCeRxOver = 0x01;
inline constexpr std::uint32_t kCeOverrun = 0x02;
inline constexpr std::uint32_t kCeRxParity = 0x04;
inline constexpr std::uint32_t kCeFrame = 0x08;
inline constexpr std::uint32_t kCeBreak = 0x10;

// True when the name is one of the platform's own device paths (on Linux "/dev/ttyUSB0" and the
// like); such a name is its own normal form. Always false on Windows, where ports are COMn.
bool IsDevicePath(const std::string& name);

// The device a port name stands for, to tell whether two names reach the same port: on Linux the
// device file (COMn and \\.\COMn open /dev/ttyS{n-1}; device paths stand for themselves), on
// Windows the name itself. Empty for a name that reaches no device.
std::string PortDevice(const std::string& name);

// Opens the port exclusively for the given access (kGenericRead | kGenericWrite), with no sharing.
// On success port holds a valid handle; a failure's code equals TErrorKind::NotFound when there is
// no such port and TErrorKind::Busy when the port is held elsewhere.
std::error_code SerialOpen(const std::string& name, std::uint32_t desiredAccess, TPortHandle& port);
// Closes a valid handle.
std::error_code SerialClose(TPortHandle port);

std::error_code SerialGetState(TPortHandle port, DCB& dcb);
std::error_code SerialSetState(TPortHandle port, const DCB& dcb);
std::error_code SerialGetTimeouts(TPortHandle port, COMMTIMEOUTS& cto);
std::error_code SerialSetTimeouts(TPortHandle port, const COMMTIMEOUTS& cto);
// Recommended sizes of the driver's receive and transmit queues (SetupComm).
std::error_code SerialSetQueues(TPortHandle port, std::uint32_t inQueue, std::uint32_t outQueue);
// kPurge* flags; 0 purges nothing and succeeds.
std::error_code SerialPurge(TPortHandle port, std::uint32_t flags);
// Reads and clears the port's error state: errors gets the kCe* mask, stat the queue status.
std::error_code SerialClearErrors(TPortHandle port, std::uint32_t& errors, COMSTAT& stat);
std::error_code SerialGetProperties(TPortHandle port, COMMPROP& prop);
// The default configuration of the named port, without opening it.
std::error_code SerialDefaultConfig(const std::string& name, COMMCONFIG& config);
// Reads at most size bytes without waiting longer than the port's timeouts allow; done gets the
// count read, which may be 0.
std::error_code SerialRead(TPortHandle port, std::uint8_t* data, std::uint32_t size,
                           std::uint32_t& done);
// Writes the bytes; done gets the count written.
std::error_code SerialWrite(TPortHandle port, const std::uint8_t* data, std::uint32_t size,
                            std::uint32_t& done);

} // namespace os
} // namespace zev
