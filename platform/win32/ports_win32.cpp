// The port lists on Windows, from the registry under the local-machine root: the serial device
// map for the names, the device tree for the details. Both are only read.

#include "core/error.h"
#include "platform/ports.h"
#include "platform/win32/reg_key.h"

#include <algorithm>
#include <cctype>

namespace zev::os {

namespace {

using win32::TOwnedKey;
using win32::TValueRead;

constexpr const char* kSerialMap = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
constexpr const char* kDeviceTree = "System\\CurrentControlSet\\Enum";

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// A text value that may be missing (then empty); another type ends the walk with an error.
std::string OptionalText(HKEY key, const std::string& name) {
    std::string text;
    switch (win32::ReadText(key, name, text)) {
    case TValueRead::Ok:
        return text;
    case TValueRead::Missing:
        return {};
    case TValueRead::WrongType:
        Raise(win32::InvalidTypeMessage(name));
    case TValueRead::Unreadable:
        break;
    }
    Raise(win32::GetDataFailedMessage(name));
}

// The instance key of a port device: of class "Ports" (any letter case), with the subkeys
// "Device Parameters" and "Control" (the latter only while the device is present).
bool IsPortInstance(HKEY instance) {
    std::string className;
    switch (win32::ReadText(instance, "Class", className)) {
    case TValueRead::Ok:
        break;
    case TValueRead::Missing:
        return false;
    case TValueRead::WrongType:
        Raise(win32::InvalidTypeMessage("Class"));
    case TValueRead::Unreadable:
        Raise(win32::GetDataFailedMessage("Class"));
    }
    return Upper(className) == "PORTS" && win32::HasSubkey(instance, "Device Parameters") &&
           win32::HasSubkey(instance, "Control");
}

// The device's "Device Parameters" key; empty when it cannot be opened.
TOwnedKey DeviceParameters(const TPortDevice& device) {
    TOwnedKey key;
    (void)key.OpenReadOnly(HKEY_LOCAL_MACHINE, device.portRegPath + "\\Device Parameters");
    return key;
}

} // namespace

std::vector<std::string> ListSerialPortNames() {
    std::vector<std::string> ports;
    TOwnedKey map;
    if (!map.OpenReadOnly(HKEY_LOCAL_MACHINE, kSerialMap)) return ports;
    for (const auto& name : win32::ValueNames(map.get())) {
        std::string port;
        // The map holds one text per port; anything else names no port.
        if (win32::ReadText(map.get(), name, port) == TValueRead::Ok) ports.push_back(port);
    }
    return ports;
}

bool ListPortDevices(std::vector<TPortDevice>& devices, std::string& failedPath) {
    std::vector<TPortDevice> found;
    // Every key is opened from the root by its whole path; the first that does not open ends
    // the walk with nothing.
    auto open = [&failedPath](TOwnedKey& key, const std::string& path) {
        if (key.OpenReadOnly(HKEY_LOCAL_MACHINE, path)) return true;
        failedPath = path;
        return false;
    };
    TOwnedKey tree;
    if (!open(tree, kDeviceTree)) return false;
    for (const auto& enumerator : win32::SubkeyNames(tree.get())) {
        const std::string enumPath = std::string(kDeviceTree) + "\\" + enumerator;
        TOwnedKey enumKey;
        if (!open(enumKey, enumPath)) return false;
        for (const auto& deviceName : win32::SubkeyNames(enumKey.get())) {
            const std::string devicePath = enumPath + "\\" + deviceName;
            TOwnedKey deviceKey;
            if (!open(deviceKey, devicePath)) return false;
            for (const auto& instanceName : win32::SubkeyNames(deviceKey.get())) {
                const std::string instancePath = devicePath + "\\" + instanceName;
                TOwnedKey instance;
                if (!open(instance, instancePath)) return false;
                if (!IsPortInstance(instance.get())) continue;
                TPortDevice device;
                device.FN = OptionalText(instance.get(), "FriendlyName");
                device.SV = OptionalText(instance.get(), "Service");
                TOwnedKey parameters;
                if (parameters.OpenReadOnly(instance.get(), "Device Parameters"))
                    device.portName = OptionalText(parameters.get(), "PortName");
                device.portRegPath = instancePath;
                found.push_back(std::move(device));
            }
        }
    }
    devices.insert(devices.end(), found.begin(), found.end());
    return true;
}

// The registry is walked whole either way: an instance's port name is found only inside it.
bool FindPortDevice(const std::function<bool(const std::string&, bool)>& pMatches,
                    TPortDevice& device, bool& found, std::string& failedPath) {
    found = false;
    std::vector<TPortDevice> devices;
    if (!ListPortDevices(devices, failedPath)) return false;
    for (const auto& d : devices) {
        if (!pMatches(d.portName, d.serialTty)) continue;
        device = d;
        found = true;
        break;
    }
    return true;
}

std::optional<std::uint32_t> DeviceLatencyTimer(const TPortDevice& device) {
    const TOwnedKey key = DeviceParameters(device);
    if (!key) return std::nullopt;
    std::uint32_t value = 0;
    switch (win32::ReadDword(key.get(), "LatencyTimer", value)) {
    case TValueRead::Ok:
        return value;
    case TValueRead::Missing:
        return std::nullopt;
    case TValueRead::WrongType:
        Raise(win32::InvalidTypeMessage("LatencyTimer"));
    case TValueRead::Unreadable:
        break;
    }
    Raise(win32::GetDataFailedMessage("LatencyTimer"));
}

std::optional<std::vector<std::uint8_t>> DeviceConfigData(const TPortDevice& device) {
    const TOwnedKey key = DeviceParameters(device);
    if (!key) return std::nullopt;
    std::vector<std::uint8_t> data;
    switch (win32::ReadBinary(key.get(), "ConfigData", 64, data)) {
    case TValueRead::Ok:
        return data;
    case TValueRead::Missing:
        return std::nullopt;
    case TValueRead::WrongType:
        Raise(win32::InvalidTypeMessage("ConfigData"));
    case TValueRead::Unreadable:
        break;
    }
    Raise(win32::GetDataFailedMessage("ConfigData"));
}

} // namespace zev::os
