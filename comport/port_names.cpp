// Port names and the port lists of TBasicComPortCtrl, and the helpers that find a port's entry.

#include "comport/basic_port.h"
#include "comport/port_info.h"
#include "core/com_name.h"
#include "core/error.h"
#include "platform/ports.h"

#include <cctype>

namespace zev {

namespace {

std::string Upper(std::string text) {
    for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// The failure of a walk of the device database: the part that did not open, or the value that
// could not be read.
[[noreturn]] void DatabaseError(const std::error_code& code, const os::TDatabaseFault& fault) {
    if (fault.value.empty()) Raise("Не удалось открыть " + Quoted(fault.path));
    Raise(ValueReadErrorText(code, fault.value));
}

[[noreturn]] void NameError(const std::string& shown) {
    Raise("TBasicComPortCtrl.CheckPortName >> Ошибка имени порта " + Quoted(shown));
}

[[noreturn]] void NumberError(const std::string& shown) {
    Raise("TBasicComPortCtrl.CheckPortName >> Ошибка номера порта " + Quoted(shown));
}

// The number after "COM" (or the whole name when it has no "COM"); the name error when that
// text is not a decimal number.
std::int32_t ReadPortNumber(const std::string& pPortName) {
    const auto number = ComNameNumber(pPortName);
    if (!number) NameError(pPortName);
    return *number;
}

std::string NormalForm(std::int32_t number) {
    return (number <= 9 ? "COM" : "\\\\.\\COM") + std::to_string(number);
}

std::uint8_t TypeOf(const std::string& portName, bool serialTty) {
    return serialTty ? 1 : PortTypeOf(portName);
}

TPortInfo InfoOf(const os::TPortDevice& device) {
    TPortInfo info;
    info.portName = device.portName;
    info.portType = TypeOf(device.portName, device.serialTty);
    // A device path counts the digits of its last part only (ttyUSB0 in /dev/ttyUSB0).
    const auto slash = device.portName.find_last_of('/');
    info.portNumber = PortDigitsNumber(device.serialTty && slash != std::string::npos
                                           ? device.portName.substr(slash + 1)
                                           : device.portName);
    info.portRegPath = device.portRegPath;
    info.FN = device.FN;
    info.SV = device.SV;
    return info;
}

} // namespace

std::string TBasicComPortCtrl::CheckPortName(const std::string& pPortName) {
    if (os::IsDevicePath(pPortName)) return pPortName;
    const std::int32_t number = ReadPortNumber(pPortName);
    if (number <= 0) NumberError(pPortName);
    return NormalForm(number);
}

std::string TBasicComPortCtrl::CheckPortName(std::int32_t pPortIndex) {
    if (pPortIndex <= 0) NumberError(std::to_string(pPortIndex));
    return NormalForm(pPortIndex);
}

std::int32_t TBasicComPortCtrl::CheckPortNumber(const std::string& pPortName) {
    const std::int32_t number = ReadPortNumber(pPortName);
    if (number <= 0) NumberError(pPortName);
    return number;
}

std::vector<std::string> TBasicComPortCtrl::ListPorts() {
    return os::ListSerialPortNames();
}

APortsInfo TBasicComPortCtrl::ListPortsInfo() {
    std::vector<os::TPortDevice> devices;
    os::TDatabaseFault fault;
    if (const auto code = os::ListPortDevices(devices, fault)) DatabaseError(code, fault);
    APortsInfo result;
    result.reserve(devices.size());
    for (const auto& device : devices) result.push_back(InfoOf(device));
    return result;
}

std::uint8_t PortTypeOf(const std::string& portName) {
    const std::string upper = Upper(portName);
    std::uint8_t type = 0;
    if (upper.find("COM") != std::string::npos) type |= 1;
    if (upper.find("LPT") != std::string::npos) type |= 2;
    return type;
}

std::int32_t PortDigitsNumber(const std::string& portName) {
    std::string digits;
    for (char c : portName)
        if (c >= '0' && c <= '9') digits += c;
    return ParseInt32(digits).value_or(0);
}

std::int32_t PortNumberOf(const std::string& portName) {
    return ReadPortNumber(portName);
}

TPortInfo FindPortInfo(const APortsInfo& list, const std::string& portName) {
    for (const auto& info : list) {
        if (info.portType != 1) continue;
        if (TBasicComPortCtrl::CheckPortName(info.portName) ==
            TBasicComPortCtrl::CheckPortName(portName))
            return info;
    }
    Raise("Порт " + Quoted(portName) + " не найден.");
}

// The entry FindPortInfo would take from ListPortsInfo, without building the others: every
// port opened asks for its own entry, and many ports open at once.
TPortInfo GetPortInfo(const std::string& portName) {
    std::optional<os::TPortDevice> device;
    os::TDatabaseFault fault;
    const auto matches = [&](const std::string& name, bool serialTty) {
        return TypeOf(name, serialTty) == 1 &&
               TBasicComPortCtrl::CheckPortName(name) == TBasicComPortCtrl::CheckPortName(portName);
    };
    if (const auto code = os::FindPortDevice(matches, device, fault)) DatabaseError(code, fault);
    if (!device) Raise("Порт " + Quoted(portName) + " не найден.");
    return InfoOf(*device);
}

} // namespace zev
