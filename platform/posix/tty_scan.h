#pragma once
// The Linux port list: serial device nodes of the device root, and what sysfs knows about them.

#include <string>
#include <system_error>
#include <vector>

namespace zev::os::posix {

// The serial device nodes below devRoot, symbolic links followed, in natural name order (ttyUSB2
// before ttyUSB10): every tty that sysfs shows with a device behind it (whatever its driver calls
// it: ttyUSB, ttyACM, ttyCH341USB, ttyMXUSB, ttymxc ...), and where sysfs does not know a node,
// the nodes with a serial port's name; ttyS* only where sysfs shows a UART, and never a system
// console. Fails with opendir's errno when devRoot cannot be read.
std::error_code ScanTtyPorts(const std::string& devRoot, const std::string& sysRoot,
                             std::vector<std::string>& ports);

// True when the device file (or the tty it links to) serves as the system console: its
// "console" attribute reads Y, or it is named in class/tty/console/active.
bool IsConsoleTty(const std::string& path, const std::string& sysRoot);

// True when the device file (or the tty it links to) is a ttyS port without a UART behind it.
bool IsUartMissing(const std::string& path, const std::string& sysRoot);

// What sysfs tells about the tty behind a device file; empty fields where it tells nothing.
struct TTtySysfs {
    std::string ttyName;    // the tty's name in sysfs: the linked tty's, else the file's own
    std::string devicePath; // the sysfs path of the tty's device
    std::string driver;     // the device's driver (ftdi_sio, cdc_acm, serial8250, ...)
    std::string product;    // the USB product or interface name
};
TTtySysfs ReadTtySysfs(const std::string& path, const std::string& sysRoot);

} // namespace zev::os::posix
