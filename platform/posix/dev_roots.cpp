#include "platform/posix/dev_roots.h"

#include "core/com_name.h"
#include "platform/serial.h"

#include <cstdlib>

namespace zev::os::posix {

namespace {

std::string EnvOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    std::string root = value && *value ? value : fallback;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.size() > prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

std::string DevRoot() {
    return EnvOr("ZEV_DEV_ROOT", "/dev");
}

std::string SysRoot() {
    return EnvOr("ZEV_SYS_ROOT", "/sys");
}

std::optional<std::vector<std::string>> PortsOverride() {
    const char* value = std::getenv("ZEV_PORTS");
    if (!value) return std::nullopt;
    std::vector<std::string> ports;
    std::string text = value;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(':', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) ports.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return ports;
}

std::string PortDeviceFile(const std::string& name) {
    if (IsDevicePath(name)) return name;
    // ttyS numbers beyond a million name no device.
    const auto number = ComDeviceNumber(name);
    if (!number || *number < 1 || *number > 1000000) return {};
    return DevRoot() + "/ttyS" + std::to_string(*number - 1);
}

} // namespace zev::os::posix

namespace zev::os {

// Device paths are the names the port list can hold: anything below /dev or below the device
// root in use, and the names ZEV_PORTS gives.
bool IsDevicePath(const std::string& name) {
    if (posix::StartsWith(name, "/dev/") || posix::StartsWith(name, posix::DevRoot() + "/"))
        return true;
    if (auto ports = posix::PortsOverride()) {
        for (const auto& port : *ports)
            if (port == name) return true;
    }
    return false;
}

std::string PortDevice(const std::string& name) {
    return posix::PortDeviceFile(name);
}

} // namespace zev::os
