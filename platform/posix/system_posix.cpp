#include "platform/system.h"

#include <climits>
#include <cstdlib>
#include <ctime>
#include <pwd.h>
#include <sys/time.h>
#include <unistd.h>

namespace zev::os {

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

std::string ExecutableFolder() {
    const std::string path = ExecutablePath();
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string UserDataFolder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') return xdg;
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) {
        home = h;
    } else {
        passwd pw{};
        passwd* found = nullptr;
        char buffer[4096];
        if (::getpwuid_r(::getuid(), &pw, buffer, sizeof buffer, &found) == 0 && found)
            home = found->pw_dir;
    }
    if (home.empty()) home = "/tmp";
    while (home.size() > 1 && home.back() == '/') home.pop_back();
    return home + "/.local/share";
}

TLocalTime LocalTimeNow() {
    timeval now{};
    ::gettimeofday(&now, nullptr);
    std::tm parts{};
    const time_t seconds = now.tv_sec;
    ::localtime_r(&seconds, &parts);
    TLocalTime t;
    t.year = parts.tm_year + 1900;
    t.month = parts.tm_mon + 1;
    t.day = parts.tm_mday;
    t.hour = parts.tm_hour;
    t.minute = parts.tm_min;
    t.second = parts.tm_sec;
    t.millisecond = static_cast<int>(now.tv_usec / 1000);
    return t;
}

// Linux systems run in UTF-8: the words arrive as they were typed.
std::vector<std::string> CommandLineWords(int argc, char** argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

// Linux systems run in UTF-8.
std::string ToAnsiText(const std::string& utf8) {
    return utf8;
}

} // namespace zev::os
