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
// device root. Fails when the device root cannot be read.
std::error_code PortPaths(std::vector<std::string>& ports) {
    const std::string sysRoot = posix::SysRoot();
    if (auto chosen = posix::PortsOverride()) {
        for (const auto& port : *chosen)
            if (!posix::IsConsoleTty(port, sysRoot)) ports.push_back(port);
        return {};
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
    if (PortPaths(ports)) ports.clear();
    return ports;
}

std::error_code ListPortDevices(std::vector<TPortDevice>& devices, TDatabaseFault& fault) {
    std::vector<std::string> ports;
    if (const auto code = PortPaths(ports)) {
        fault = {posix::DevRoot(), {}};
        return code;
    }
    const std::string sysRoot = posix::SysRoot();
    for (const auto& port : ports) devices.push_back(DeviceOf(port, sysRoot));
    return {};
}

std::error_code FindPortDevice(const std::function<bool(const std::string&, bool)>& pMatches,
                               std::optional<TPortDevice>& device, TDatabaseFault& fault) {
    device.reset();
    const std::string sysRoot = posix::SysRoot();
    // The names first; the console test and sysfs only for the port chosen.
    std::vector<std::string> ports;
    const auto chosen = posix::PortsOverride();
    if (chosen) {
        ports = *chosen;
    } else if (const auto code = posix::ScanTtyPorts(posix::DevRoot(), sysRoot, ports)) {
        fault = {posix::DevRoot(), {}};
        return code;
    }
    for (const auto& port : ports) {
        if (!pMatches(port, true)) continue;
        if (chosen && posix::IsConsoleTty(port, sysRoot)) continue; // the scan left them out
        device = DeviceOf(port, sysRoot);
        break;
    }
    return {};
}

// A file that cannot be read, or holds no number, is no latency timer.
std::error_code DeviceLatencyTimer(const TPortDevice& device, std::optional<std::uint32_t>& value) {
    value.reset();
    std::ifstream in(LatencyFile(device));
    if (!in) return {};
    std::string text;
    std::getline(in, text);
    errno = 0;
    char* end = nullptr;
    const unsigned long number = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || end == text.c_str() || errno != 0 || number > 0xFFFFFFFFul) return {};
    value = static_cast<std::uint32_t>(number);
    return {};
}

// USB serial drivers on Linux publish no configuration data; the buffer size takes its default.
std::error_code DeviceConfigData(const TPortDevice&,
                                 std::optional<std::vector<std::uint8_t>>& data) {
    data.reset();
    return {};
}

} // namespace zev::os
