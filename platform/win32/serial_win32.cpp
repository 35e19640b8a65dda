// The serial calls on Windows: each is the one system call of the same job. The records of
// platform/serial.h keep the system's layout and are copied to and from the system's own.

#include "platform/serial.h"
#include "platform/win32/wide_text.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace zev::os {

static_assert(sizeof(zev::DCB) == sizeof(::DCB));
static_assert(sizeof(zev::COMMTIMEOUTS) == sizeof(::COMMTIMEOUTS));
static_assert(sizeof(zev::COMSTAT) == sizeof(::COMSTAT));
static_assert(sizeof(zev::COMMPROP) == sizeof(::COMMPROP));
static_assert(sizeof(zev::COMMCONFIG) == sizeof(::COMMCONFIG));

namespace {

HANDLE AsHandle(TPortHandle port) {
    return reinterpret_cast<HANDLE>(port);
}

template <typename To, typename From> To Copy(const From& from) {
    static_assert(sizeof(To) == sizeof(From));
    To to;
    std::memcpy(static_cast<void*>(&to), static_cast<const void*>(&from), sizeof(To));
    return to;
}

// Nothing when the call succeeded, else its last error.
std::error_code Result(BOOL ok) {
    return ok ? std::error_code() : SystemError(static_cast<int>(GetLastError()));
}

} // namespace

bool IsDevicePath(const std::string&) {
    return false;
}

std::string PortDevice(const std::string& name) {
    return name;
}

std::error_code SerialOpen(const std::string& name, std::uint32_t desiredAccess,
                           TPortHandle& port) {
    port = kNoPort;
    const HANDLE h = CreateFileW(win32::Widen(name).c_str(), desiredAccess, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE || h == nullptr) {
        const DWORD error = GetLastError();
        return SystemError(static_cast<int>(error != 0 ? error : ERROR_FILE_NOT_FOUND));
    }
    port = reinterpret_cast<TPortHandle>(h);
    return {};
}

std::error_code SerialClose(TPortHandle port) {
    return Result(CloseHandle(AsHandle(port)));
}

std::error_code SerialGetState(TPortHandle port, zev::DCB& dcb) {
    ::DCB system{};
    system.DCBlength = sizeof(system);
    if (!GetCommState(AsHandle(port), &system)) return Result(FALSE);
    dcb = Copy<zev::DCB>(system);
    return {};
}

std::error_code SerialSetState(TPortHandle port, const zev::DCB& dcb) {
    ::DCB system = Copy<::DCB>(dcb);
    return Result(SetCommState(AsHandle(port), &system));
}

std::error_code SerialGetTimeouts(TPortHandle port, zev::COMMTIMEOUTS& cto) {
    ::COMMTIMEOUTS system{};
    if (!GetCommTimeouts(AsHandle(port), &system)) return Result(FALSE);
    cto = Copy<zev::COMMTIMEOUTS>(system);
    return {};
}

std::error_code SerialSetTimeouts(TPortHandle port, const zev::COMMTIMEOUTS& cto) {
    ::COMMTIMEOUTS system = Copy<::COMMTIMEOUTS>(cto);
    return Result(SetCommTimeouts(AsHandle(port), &system));
}

std::error_code SerialSetQueues(TPortHandle port, std::uint32_t inQueue, std::uint32_t outQueue) {
    return Result(SetupComm(AsHandle(port), inQueue, outQueue));
}

std::error_code SerialPurge(TPortHandle port, std::uint32_t flags) {
    return Result(PurgeComm(AsHandle(port), flags));
}

std::error_code SerialClearErrors(TPortHandle port, std::uint32_t& errors, zev::COMSTAT& stat) {
    DWORD mask = 0;
    ::COMSTAT system{};
    if (!ClearCommError(AsHandle(port), &mask, &system)) return Result(FALSE);
    errors = mask;
    stat = Copy<zev::COMSTAT>(system);
    return {};
}

std::error_code SerialGetProperties(TPortHandle port, zev::COMMPROP& prop) {
    ::COMMPROP system{};
    if (!GetCommProperties(AsHandle(port), &system)) return Result(FALSE);
    prop = Copy<zev::COMMPROP>(system);
    return {};
}

std::error_code SerialDefaultConfig(const std::string& name, zev::COMMCONFIG& config) {
    ::COMMCONFIG system{};
    system.dwSize = config.dwSize;
    DWORD size = sizeof(system);
    // The call takes the plain port name: COM10, not the device path \\.\COM10 that opens it.
    const std::string plain = name.rfind("\\\\.\\", 0) == 0 ? name.substr(4) : name;
    if (!GetDefaultCommConfigW(win32::Widen(plain).c_str(), &system, &size)) return Result(FALSE);
    config = Copy<zev::COMMCONFIG>(system);
    return {};
}

std::error_code SerialRead(TPortHandle port, std::uint8_t* data, std::uint32_t size,
                           std::uint32_t& done) {
    done = 0;
    std::uint8_t none = 0; // an empty read still needs a buffer to point at
    DWORD got = 0;
    const BOOL ok = ReadFile(AsHandle(port), size != 0 ? data : &none, size, &got, nullptr);
    done = got;
    return Result(ok);
}

std::error_code SerialWrite(TPortHandle port, const std::uint8_t* data, std::uint32_t size,
                            std::uint32_t& done) {
    done = 0;
    const std::uint8_t none = 0;
    DWORD put = 0;
    const BOOL ok = WriteFile(AsHandle(port), size != 0 ? data : &none, size, &put, nullptr);
    done = put;
    return Result(ok);
}

} // namespace zev::os
