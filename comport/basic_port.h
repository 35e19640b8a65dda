#pragma once
// TBasicComPortCtrl: the class-level port operations. Each acts on a handle its caller owns,
// makes one system call and turns a failure into an error naming the class and the operation,
// with the system's error code and text. The port-name checks and the port lists are here too.

#include "comport/port_info.h"
#include "comport/sys_util.h"
#include "core/error.h"
#include "datafiles/abytes.h"
#include "platform/serial.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zev {

// The error a port that cannot be opened raises: its message is the library's, and it keeps the
// system's code, so that a caller can tell the user why (os::TErrorKind).
class TPortOpenError : public Error {
public:
    TPortOpenError(const std::string& pMessage, std::error_code pCode)
        : Error(pMessage), FCode(pCode) {}
    const std::error_code& Code() const { return FCode; }

private:
    std::error_code FCode;
};

class TBasicComPortCtrl {
public:
    TBasicComPortCtrl() = delete;

    // Handle operations.
    static void ClearBuffers(TPortHandle pPort, bool bIn, bool bOut);
    static std::uint32_t ClearErrors(TPortHandle pPort, COMSTAT& Stat);
    static std::uint32_t ClearErrors(TPortHandle pPort);
    // Closes a valid handle; leaves 0 in the variable in every case. Never fails.
    static void Close(TPortHandle& pPort);
    static void GetBuffers(TPortHandle pPort, std::uint32_t& InBuff, std::uint32_t& OutBuff);
    static zev::DCB GetDCB(TPortHandle pPort);
    static zev::COMMTIMEOUTS GetTimeOuts(TPortHandle pPort);
    // Opens the port of that name (already in normal form) exclusively; a TPortOpenError when
    // it cannot.
    static TPortHandle Open(const std::string& pPortName, std::uint32_t pDesiredAccess);
    // Reads at most pData.size() bytes into the front of pData; returns the count read.
    static std::uint32_t Read(TPortHandle pPort, ABytes& pData);
    static void SetBuffers(TPortHandle pPort, std::uint32_t InBuff, std::uint32_t OutBuff);
    static void SetDCB(TPortHandle pPort, const zev::DCB& pDCB);
    static void SetTimeOuts(TPortHandle pPort, const zev::COMMTIMEOUTS& pCTO);
    [[noreturn]] static void SwitchToRecive(TPortHandle pPort);
    [[noreturn]] static void SwitchToSend(TPortHandle pPort);
    static std::uint32_t Write(TPortHandle pPort, const ABytes& Data);

    // Port names: "COM1".."COM9", "\\.\COM10" and above; the platform's device paths
    // ("/dev/ttyUSB0") are their own normal form.
    static std::string CheckPortName(const std::string& pPortName);
    static std::string CheckPortName(std::int32_t pPortIndex);
    static std::int32_t CheckPortNumber(const std::string& pPortName);

    // The names of the present serial ports; never fails.
    static std::vector<std::string> ListPorts();
    // The port devices of the device database; fails as a whole with "Не удалось открыть "..."".
    static APortsInfo ListPortsInfo();
};

} // namespace zev
