#pragma once
// The machine's serial ports, as the system's device database lists them. Windows reads the
// registry (the serial device map and the device tree); Linux reads /dev and sysfs. The calls fail
// as platform/error.h says.

#include "platform/error.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zev::os {

// The names of the present serial ports, in the source's own order (on Windows "COM3", on Linux
// "/dev/ttyUSB0"). Never fails: an unreadable source gives an empty list.
std::vector<std::string> ListSerialPortNames();

// One port device of the device database.
struct TPortDevice {
    std::string portName;    // the port's name as the database holds it; may be empty
    std::string portRegPath; // where the device sits in the database (registry key, sysfs path)
    std::string FN;          // friendly name; may be empty
    std::string SV;          // driver; may be empty
    // True when the device is a serial port whatever its name says (Linux ttys); false when its
    // port type follows from its name (COM, LPT).
    bool serialTty = false;
};

// Where a walk of the device database failed: the part at path (a registry key, a device folder)
// that could not be opened, or, when value is not empty, that value of it, which could not be read
// (TErrorKind::WrongType: it has another type than the one asked for).
struct TDatabaseFault {
    std::string path;
    std::string value;
};

// The port devices, in the source's own order. When a part of the database cannot be read the
// whole walk fails: devices stays as it was and fault names the part.
std::error_code ListPortDevices(std::vector<TPortDevice>& devices, TDatabaseFault& fault);

// The first port device, in the order of ListPortDevices, that pMatches accepts (called with the
// device's port name and its serialTty flag); device is empty when none does. Where the port
// list is a list of names (Linux: device paths, ZEV_PORTS may give hundreds), only the chosen
// port's entry of the database is read. Fails as ListPortDevices does.
std::error_code FindPortDevice(const std::function<bool(const std::string&, bool)>& pMatches,
                               std::optional<TPortDevice>& device, TDatabaseFault& fault);

// The device's latency timer in milliseconds; value is empty when the device has none. Fails when
// the value exists but cannot be read as a number.
std::error_code DeviceLatencyTimer(const TPortDevice& device, std::optional<std::uint32_t>& value);

// The device driver's configuration data (at most 64 bytes); data is empty when the device has
// none. Fails when the value exists but cannot be read as binary data of that size.
std::error_code DeviceConfigData(const TPortDevice& device,
                                 std::optional<std::vector<std::uint8_t>>& data);

} // namespace zev::os
