#pragma once
// A serial port as the machine's device database describes it, and the helpers that find one.

#include <cstdint>
#include <string>
#include <vector>

namespace zev {

struct TPortInfo {
    std::uint8_t portType = 0;   // bit 0: the name holds COM (or the port is a serial tty),
                                 // bit 1: the name holds LPT
    std::string portName;        // as the database holds it: COM3, /dev/ttyUSB0; may be empty
    std::int32_t portNumber = 0; // the number the digits of portName form; 0 if none
    std::string portRegPath;     // where the device sits in the database (registry key, sysfs)
    std::string FN;              // friendly name
    std::string SV;              // driver
};

// In the order of discovery.
using APortsInfo = std::vector<TPortInfo>;

// Port type bits of a port name: 1 for COM, 2 for LPT (any letter case), both or neither.
std::uint8_t PortTypeOf(const std::string& portName);
// The number the decimal digits of the name form once every other character is removed; 0 when
// there is no digit or the number does not fit 32 bits.
std::int32_t PortDigitsNumber(const std::string& portName);

// The number of a port name as CheckPortName reads it, without its range check (COM0 gives 0);
// an unreadable name raises CheckPortName's name error.
std::int32_t PortNumberOf(const std::string& portName);

// A copy of the first COM-type entry (type exactly 1) whose name has the same normal form as
// portName; raises "Порт "<name>" не найден." when there is none.
TPortInfo FindPortInfo(const APortsInfo& list, const std::string& portName);

// FindPortInfo over a freshly built ListPortsInfo.
TPortInfo GetPortInfo(const std::string& portName);

} // namespace zev
