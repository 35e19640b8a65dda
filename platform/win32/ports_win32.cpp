// The port lists on Windows, from the registry under the local-machine root: the serial device
// map for the names, the device tree for the details. Both are only read.

#include "platform/ports.h"
#include "platform/win32/reg_key.h"

#include <algorithm>
#include <cctype>

namespace zev::os {

namespace {

using win32::TOwnedKey;

constexpr const char* kSerialMap = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
constexpr const char* kDeviceTree = "System\\CurrentControlSet\\Enum";

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// A text value that may be missing (then empty); any other failure ends the walk.
std::error_code OptionalText(HKEY key, const std::string& name, std::string& text) {
    text.clear();
    const std::error_code code = win32::ReadText(key, name, text);
    if (code == TErrorKind::NotFound) return {};
    return code;
}

// Whether the instance key is one of a port device: of class "Ports" (any letter case), with the
// subkeys "Device Parameters" and "Control" (the latter only while the device is present). A
// missing class is no port; a class that cannot be read as text ends the walk.
std::error_code IsPortInstance(HKEY instance, bool& isPort) {
    isPort = false;
    std::string className;
    const std::error_code code = win32::ReadText(instance, "Class", className);
    if (code == TErrorKind::NotFound) return {};
    if (code) return code;
    isPort = Upper(className) == "PORTS" && win32::HasSubkey(instance, "Device Parameters") &&
             win32::HasSubkey(instance, "Control");
    return {};
}

// The device's "Device Parameters" key; empty when it cannot be opened.
TOwnedKey DeviceParameters(const TPortDevice& device) {
    TOwnedKey key;
    (void)key.OpenReadOnly(HKEY_LOCAL_MACHINE, device.portRegPath + "\\Device Parameters");
    return key;
}

// Reads one value of the device's "Device Parameters" with read(key, name, value); value is empty
// when the key cannot be opened or has no value of that name.
template <typename T, typename Read>
std::error_code DeviceParameter(const TPortDevice& device, const std::string& name,
                                std::optional<T>& value, Read read) {
    value.reset();
    const TOwnedKey key = DeviceParameters(device);
    if (!key) return {};
    T got{};
    const std::error_code code = read(key.get(), name, got);
    if (code == TErrorKind::NotFound) return {};
    if (!code) value = std::move(got);
    return code;
}

} // namespace

std::vector<std::string> ListSerialPortNames() {
    std::vector<std::string> ports;
    TOwnedKey map;
    if (map.OpenReadOnly(HKEY_LOCAL_MACHINE, kSerialMap)) return ports; // no map: no ports
    for (const auto& name : win32::ValueNames(map.get())) {
        std::string port;
        // The map holds one text per port; anything else names no port.
        if (!win32::ReadText(map.get(), name, port)) ports.push_back(port);
    }
    return ports;
}

std::error_code ListPortDevices(std::vector<TPortDevice>& devices, TDatabaseFault& fault) {
    std::vector<TPortDevice> found;
    // Every key is opened from the root by its whole path; the first that does not open, or the
    // first value that cannot be read, ends the walk with nothing.
    std::error_code code;
    auto open = [&](TOwnedKey& key, const std::string& path) {
        code = key.OpenReadOnly(HKEY_LOCAL_MACHINE, path);
        if (code) fault = {path, {}};
        return !code;
    };
    auto read = [&](const std::string& path, const std::string& name, std::error_code readCode) {
        code = readCode;
        if (code) fault = {path, name};
        return !code;
    };
    TOwnedKey tree;
    if (!open(tree, kDeviceTree)) return code;
    for (const auto& enumerator : win32::SubkeyNames(tree.get())) {
        const std::string enumPath = std::string(kDeviceTree) + "\\" + enumerator;
        TOwnedKey enumKey;
        if (!open(enumKey, enumPath)) return code;
        for (const auto& deviceName : win32::SubkeyNames(enumKey.get())) {
            const std::string devicePath = enumPath + "\\" + deviceName;
            TOwnedKey deviceKey;
            if (!open(deviceKey, devicePath)) return code;
            for (const auto& instanceName : win32::SubkeyNames(deviceKey.get())) {
                const std::string instancePath = devicePath + "\\" + instanceName;
                TOwnedKey instance;
                if (!open(instance, instancePath)) return code;
                bool isPort = false;
                if (!read(instancePath, "Class", IsPortInstance(instance.get(), isPort)))
                    return code;
                if (!isPort) continue;
                TPortDevice device;
                if (!read(instancePath, "FriendlyName",
                          OptionalText(instance.get(), "FriendlyName", device.FN)) ||
                    !read(instancePath, "Service",
                          OptionalText(instance.get(), "Service", device.SV)))
                    return code;
                TOwnedKey parameters;
                if (!parameters.OpenReadOnly(instance.get(), "Device Parameters") &&
                    !read(instancePath + "\\Device Parameters", "PortName",
                          OptionalText(parameters.get(), "PortName", device.portName)))
                    return code;
                device.portRegPath = instancePath;
                found.push_back(std::move(device));
            }
        }
    }
    devices.insert(devices.end(), found.begin(), found.end());
    return {};
}

// The registry is walked whole either way: an instance's port name is found only inside it.
std::error_code FindPortDevice(const std::function<bool(const std::string&, bool)>& pMatches,
                               std::optional<TPortDevice>& device, TDatabaseFault& fault) {
    device.reset();
    std::vector<TPortDevice> devices;
    if (const auto code = ListPortDevices(devices, fault)) return code;
    for (const auto& d : devices) {
        if (!pMatches(d.portName, d.serialTty)) continue;
        device = d;
        break;
    }
    return {};
}

std::error_code DeviceLatencyTimer(const TPortDevice& device, std::optional<std::uint32_t>& value) {
    return DeviceParameter(device, "LatencyTimer", value, win32::ReadDword);
}

std::error_code DeviceConfigData(const TPortDevice& device,
                                 std::optional<std::vector<std::uint8_t>>& data) {
    return DeviceParameter(device, "ConfigData", data,
                           [](HKEY key, const std::string& name, std::vector<std::uint8_t>& bytes) {
                               return win32::ReadBinary(key, name, 64, bytes);
                           });
}

} // namespace zev::os
