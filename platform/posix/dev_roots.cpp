#include "platform/posix/dev_roots.h"

#include "platform/serial.h"

#include <cctype>
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

// The number of "COMn" or "\\.\COMn" (any letter case); 0 when the name is not of that form.
long ComNumber(const std::string& name) {
    std::string rest = name;
    if (rest.rfind("\\\\.\\", 0) == 0) rest.erase(0, 4);
    if (rest.size() < 4 || std::toupper(static_cast<unsigned char>(rest[0])) != 'C' ||
        std::toupper(static_cast<unsigned char>(rest[1])) != 'O' ||
        std::toupper(static_cast<unsigned char>(rest[2])) != 'M')
        return 0;
    long number = 0;
    for (std::size_t i = 3; i < rest.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(rest[i]))) return 0;
        number = number * 10 + (rest[i] - '0');
        if (number > 1000000) return 0;
    }
    return number;
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
    const long number = ComNumber(name);
    if (number < 1) return {};
    return DevRoot() + "/ttyS" + std::to_string(number - 1);
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
