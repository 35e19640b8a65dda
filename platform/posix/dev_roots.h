#pragma once
// Where the Linux backend looks for devices. The roots can be moved with environment variables so
// that tests run against a folder of links to pseudo-terminals and a fake sysfs:
//   ZEV_DEV_ROOT  instead of /dev
//   ZEV_SYS_ROOT  instead of /sys
//   ZEV_PORTS     colon-separated device paths that replace the whole port list

#include <optional>
#include <string>
#include <vector>

namespace zev::os::posix {

std::string DevRoot();
std::string SysRoot();
// The ports named by ZEV_PORTS, in their order; nothing when the variable is unset.
std::optional<std::vector<std::string>> PortsOverride();

// The device file a port name opens: a device path as it is, COMn (also \\.\COMn) the serial
// port ttyS{n-1} under the device root. Empty when the name is neither.
std::string PortDeviceFile(const std::string& name);

} // namespace zev::os::posix
