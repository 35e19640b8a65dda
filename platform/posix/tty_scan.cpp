#include "platform/posix/tty_scan.h"

#include "platform/error.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace zev::os::posix {

namespace {

// Names of serial device nodes, for nodes that sysfs does not describe (a private device root,
// a system without sysfs): the kernel's own drivers and the vendors' (CH341, MOXA, Exar, i.MX).
constexpr const char* kPrefixes[] = {"ttyS",   "ttyUSB",      "ttyACM",   "ttyAMA", "ttyXRUSB",
                                     "rfcomm", "ttyCH341USB", "ttyMXUSB", "ttymxc", "ttySC",
                                     "ttyHS",  "ttyTHS",      "ttyO"};

// The prefix a port node's name starts with, followed by digits only; nullptr for other names.
const char* PortPrefix(const std::string& name) {
    for (const char* prefix : kPrefixes) {
        const std::string p = prefix;
        if (name.size() <= p.size() || name.compare(0, p.size(), p) != 0) continue;
        if (std::all_of(name.begin() + p.size(), name.end(),
                        [](unsigned char c) { return std::isdigit(c); }))
            return prefix;
    }
    return nullptr;
}

// The first line of a small attribute file, without its line end; empty when unreadable.
std::string ReadAttr(const std::string& file) {
    std::ifstream in(file);
    std::string line;
    if (in) std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RealPath(const std::string& path) {
    char buffer[PATH_MAX];
    if (::realpath(path.c_str(), buffer) == nullptr) return {};
    return buffer;
}

// A UART is present behind ttySn when its "type" attribute names a port type other than 0
// (PORT_UNKNOWN); the kernel creates the nodes whether or not the hardware exists.
bool UartPresent(const std::string& name, const std::string& sysRoot) {
    const std::string type = ReadAttr(sysRoot + "/class/tty/" + name + "/type");
    return !type.empty() && std::strtol(type.c_str(), nullptr, 10) != 0;
}

// A UART's "type" attribute of 0 (PORT_UNKNOWN) says its hardware is missing; a tty without
// the attribute is no UART and has its hardware (a USB adapter).
bool UartMissing(const std::string& name, const std::string& sysRoot) {
    const std::string type = ReadAttr(sysRoot + "/class/tty/" + name + "/type");
    return !type.empty() && std::strtol(type.c_str(), nullptr, 10) == 0;
}

// Whether a device node of that name is a serial port: sysfs shows a tty of that name with a
// device behind it (virtual consoles and pseudo-terminals have none), or the name is one of the
// serial nodes' names. ttyS nodes exist for every possible UART and count only where sysfs shows
// the UART.
bool SerialNodeName(const std::string& name, const std::string& sysRoot) {
    const char* prefix = PortPrefix(name);
    if (prefix && std::string(prefix) == "ttyS") return UartPresent(name, sysRoot);
    if (Exists(sysRoot + "/class/tty/" + name + "/device")) return !UartMissing(name, sysRoot);
    return prefix != nullptr;
}

// Natural order: runs of digits compare by their value, so ttyUSB2 comes before ttyUSB10.
bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    const auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && digit(a[ei])) ++ei;
            while (ej < b.size() && digit(b[ej])) ++ej;
            // Leading zeros do not count; then the longer number is the larger.
            std::size_t si = i, sj = j;
            while (si + 1 < ei && a[si] == '0') ++si;
            while (sj + 1 < ej && b[sj] == '0') ++sj;
            if (ei - si != ej - sj) return ei - si < ej - sj;
            const int order = a.compare(si, ei - si, b, sj, ej - sj);
            if (order != 0) return order < 0;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j]) return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
    return a < b;
}

bool NamedConsole(const std::string& name, const std::string& sysRoot) {
    if (name.empty()) return false;
    if (ReadAttr(sysRoot + "/class/tty/" + name + "/console").rfind('Y', 0) == 0) return true;
    std::istringstream active(ReadAttr(sysRoot + "/class/tty/console/active"));
    std::string word;
    while (active >> word)
        if (word == name) return true;
    return false;
}

} // namespace

bool IsConsoleTty(const std::string& path, const std::string& sysRoot) {
    if (NamedConsole(BaseName(path), sysRoot)) return true;
    const std::string real = RealPath(path);
    return !real.empty() && NamedConsole(BaseName(real), sysRoot);
}

bool IsUartMissing(const std::string& path, const std::string& sysRoot) {
    for (const std::string& name : {BaseName(path), BaseName(RealPath(path))}) {
        const char* prefix = PortPrefix(name);
        if (prefix && std::string(prefix) == "ttyS" && !UartPresent(name, sysRoot)) return true;
    }
    return false;
}

std::error_code ScanTtyPorts(const std::string& devRoot, const std::string& sysRoot,
                             std::vector<std::string>& ports) {
    DIR* dir = ::opendir(devRoot.c_str());
    if (!dir) return SystemError(errno);
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || !SerialNodeName(name, sysRoot)) continue;
        const std::string path = devRoot + "/" + name;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) continue; // dangling link
        if (IsConsoleTty(path, sysRoot)) continue;
        names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), NaturalLess);
    for (const auto& name : names) ports.push_back(devRoot + "/" + name);
    return {};
}

TTtySysfs ReadTtySysfs(const std::string& path, const std::string& sysRoot) {
    TTtySysfs info;
    // A link to a pseudo-terminal (a simulated device) has no sysfs entry of its target; its
    // own name may have one.
    const std::string real = RealPath(path);
    info.ttyName = BaseName(real.empty() ? path : real);
    if (!Exists(sysRoot + "/class/tty/" + info.ttyName)) info.ttyName = BaseName(path);
    const std::string ttyDir = sysRoot + "/class/tty/" + info.ttyName;
    if (!Exists(ttyDir + "/device")) return info;
    info.devicePath = RealPath(ttyDir + "/device");
    const std::string driver = RealPath(ttyDir + "/device/driver");
    if (!driver.empty()) info.driver = BaseName(driver);
    // A USB adapter's names sit a level or two above the tty's device: the interface, then the
    // USB device with its product string.
    std::string dir = info.devicePath;
    for (int level = 0; level < 4 && !dir.empty() && info.product.empty(); ++level) {
        const std::string product = ReadAttr(dir + "/product");
        const std::string interface = ReadAttr(dir + "/interface");
        if (!product.empty())
            info.product = product;
        else if (!interface.empty())
            info.product = interface;
        const auto slash = dir.find_last_of('/');
        if (slash == std::string::npos || slash == 0) break;
        dir.erase(slash);
    }
    return info;
}

} // namespace zev::os::posix
