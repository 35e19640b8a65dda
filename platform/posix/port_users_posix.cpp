// The device file's group, the user's name, and the processes that hold a device open, as /proc
// shows them (each /proc/PID/fd/N resolves to the open file).

#include "platform/port_users.h"
#include "platform/posix/dev_roots.h"

#include <cctype>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace zev::os {

namespace {

// The character device a port's file names; false when it is none.
bool DeviceNumber(const std::string& pPort, dev_t& pDevice) {
    const std::string path = posix::PortDeviceFile(pPort);
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    pDevice = st.st_rdev;
    return true;
}

bool AllDigits(const char* pText) {
    if (*pText == '\0') return false;
    for (; *pText; ++pText)
        if (!std::isdigit(static_cast<unsigned char>(*pText))) return false;
    return true;
}

std::string ProcessName(const std::string& pPid) {
    std::ifstream in("/proc/" + pPid + "/comm");
    std::string name;
    std::getline(in, name);
    return name.empty() ? "?" : name;
}

// The devices process pPid holds open.
std::vector<dev_t> OpenDevices(const std::string& pPid) {
    std::vector<dev_t> devices;
    const std::string folder = "/proc/" + pPid + "/fd";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return devices; // gone, or another user's
    while (const dirent* entry = ::readdir(dir)) {
        if (!AllDigits(entry->d_name)) continue;
        struct stat st {};
        const std::string link = folder + "/" + entry->d_name;
        if (::stat(link.c_str(), &st) == 0 && S_ISCHR(st.st_mode)) devices.push_back(st.st_rdev);
    }
    ::closedir(dir);
    return devices;
}

} // namespace

std::string PortGroup(const std::string& pPort) {
    const std::string path = posix::PortDeviceFile(pPort);
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return {};
    // A group that may not both read and write gives its members no port.
    if ((st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) return {};
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    if (::getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->gr_name)
        return found->gr_name;
    return std::to_string(st.st_gid);
}

std::string UserName() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name)
        return found->pw_name;
    const char* user = std::getenv("USER");
    return user ? user : "";
}

std::vector<std::vector<std::string>> PortHolders(const std::vector<std::string>& pPorts) {
    std::vector<std::vector<std::string>> holders(pPorts.size());
    std::vector<std::pair<dev_t, std::size_t>> wanted;
    for (std::size_t i = 0; i < pPorts.size(); ++i) {
        dev_t device = 0;
        if (DeviceNumber(pPorts[i], device)) wanted.emplace_back(device, i);
    }
    if (wanted.empty()) return holders;
    DIR* proc = ::opendir("/proc");
    if (!proc) return holders;
    std::vector<long> pids;
    while (const dirent* entry = ::readdir(proc))
        if (AllDigits(entry->d_name)) pids.push_back(std::strtol(entry->d_name, nullptr, 10));
    ::closedir(proc);
    std::sort(pids.begin(), pids.end());
    const long self = static_cast<long>(::getpid());
    for (const long pid : pids) {
        if (pid == self) continue;
        const std::string id = std::to_string(pid);
        std::vector<dev_t> open = OpenDevices(id);
        if (open.empty()) continue;
        std::string name;
        for (const auto& [device, port] : wanted) {
            if (std::find(open.begin(), open.end(), device) == open.end()) continue;
            if (name.empty()) name = ProcessName(id) + " (PID " + id + ")";
            holders[port].push_back(name);
        }
    }
    return holders;
}

} // namespace zev::os
