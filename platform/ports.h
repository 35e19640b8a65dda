#pragma once
// The machine's serial ports, as the system's device database lists them. Windows reads the
// registry (the serial device map and the device tree); Linux reads /dev and sysfs.

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

// The port devices, in the source's own order. When a part of the database cannot be opened the
// whole walk fails: the result is false and failedPath names the part.
bool ListPortDevices(std::vector<TPortDevice>& devices, std::string& failedPath);

// The first port device, in the order of ListPortDevices, that pMatches accepts (called with the
// device's port name and its serialTty flag), in found; found stays false when none does. Where
// the port list is a list of names (Linux: device paths, ZEV_PORTS may give hundreds), only the
// chosen port's entry of the database is read. Fails as ListPortDevices does.
bool FindPortDevice(const std::function<bool(const std::string&, bool)>& pMatches,
                    TPortDevice& device, bool& found, std::string& failedPath);

// The device's latency timer in milliseconds; nothing when the device has none. Raises an error
// when the value exists but cannot be read as a number.
std::optional<std::uint32_t> DeviceLatencyTimer(const TPortDevice& device);

// The device driver's configuration data (at most 64 bytes); nothing when the device has none.
// Raises an error when the value exists but cannot be read as binary data of that size.
std::optional<std::vector<std::uint8_t>> DeviceConfigData(const TPortDevice& device);

} // namespace zev::os
