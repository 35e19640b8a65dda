// The port lists on Linux: device nodes of /dev (or ZEV_PORTS) and what sysfs says of them.

#include "platform/ports.h"
#include "platform/posix/dev_roots.h"
#include "platform/posix/tty_scan.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <functional>

namespace zev::os {

namespace {

// The ports to report: ZEV_PORTS when set (consoles still left out), else the scan of the
// device root. False when the device root cannot be read.
bool PortPaths(std::vector<std::string>& ports) {
    const std::string sysRoot = posix::SysRoot();
    if (auto chosen = posix::PortsOverride()) {
        for (const auto& port : *chosen)
            if (!posix::IsConsoleTty(port, sysRoot)) ports.push_back(port);
        return true;
    }
    return posix::ScanTtyPorts(posix::DevRoot(), sysRoot, ports);
}

// A port's entry: its path, and what sysfs says of it.
TPortDevice DeviceOf(const std::string& port, const std::string& sysRoot) {
    const auto info = posix::ReadTtySysfs(port, sysRoot);
    TPortDevice device;
    device.portName = port;
    device.portRegPath = info.devicePath;
    device.FN = info.product;
    device.SV = info.driver;
    device.serialTty = true;
    return device;
}

std::string LatencyFile(const TPortDevice& device) {
    const auto info = posix::ReadTtySysfs(device.portName, posix::SysRoot());
    return posix::SysRoot() + "/bus/usb-serial/devices/" + info.ttyName + "/latency_timer";
}

} // namespace

std::vector<std::string> ListSerialPortNames() {
    std::vector<std::string> ports;
    if (!PortPaths(ports)) ports.clear();
    return ports;
}

bool ListPortDevices(std::vector<TPortDevice>& devices, std::string& failedPath) {
    std::vector<std::string> ports;
    if (!PortPaths(ports)) {
        failedPath = posix::DevRoot();
        return false;
    }
    const std::string sysRoot = posix::SysRoot();
    for (const auto& port : ports) devices.push_back(DeviceOf(port, sysRoot));
    return true;
}

bool FindPortDevice(const std::function<bool(const std::string&, bool)>& pMatches,
                    TPortDevice& device, bool& found, std::string& failedPath) {
    found = false;
    const std::string sysRoot = posix::SysRoot();
    // The names first; the console test and sysfs only for the port chosen.
    std::vector<std::string> ports;
    const auto chosen = posix::PortsOverride();
    if (chosen) {
        ports = *chosen;
    } else if (!posix::ScanTtyPorts(posix::DevRoot(), sysRoot, ports)) {
        failedPath = posix::DevRoot();
        return false;
    }
    for (const auto& port : ports) {
        if (!pMatches(port, true)) continue;
        if (chosen && posix::IsConsoleTty(port, sysRoot)) continue; // the scan left them out
        device = DeviceOf(port, sysRoot);
        found = true;
        break;
    }
    return true;
}

std::optional<std::uint32_t> DeviceLatencyTimer(const TPortDevice& device) {
    std::ifstream in(LatencyFile(device));
    if (!in) return std::nullopt;
    std::string text;
    std::getline(in, text);
    errno = 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || end == text.c_str() || errno != 0 || value > 0xFFFFFFFFul)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

// USB serial drivers on Linux publish no configuration data; the buffer size takes its default.
std::optional<std::vector<std::uint8_t>> DeviceConfigData(const TPortDevice&) {
    return std::nullopt;
}

} // namespace zev::os
