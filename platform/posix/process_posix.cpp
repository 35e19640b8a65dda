// The process's threads from /proc, its environment through setenv and unsetenv.

#include "platform/process.h"

#include <cstdlib>
#include <dirent.h>
#include <fstream>

namespace zev::os {

namespace {

std::string ThreadName(const std::string& pCommFile) {
    std::ifstream in(pCommFile);
    std::string name;
    std::getline(in, name);
    return name;
}

} // namespace

int OwnThreadCount() {
    const std::string own = ThreadName("/proc/self/comm");
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/task")) {
        while (const dirent* entry = ::readdir(dir))
            if (entry->d_name[0] != '.' &&
                ThreadName(std::string("/proc/self/task/") + entry->d_name + "/comm") == own)
                ++count;
        ::closedir(dir);
    }
    return count;
}

void SetProcessEnv(const std::string& pName, const std::optional<std::string>& pValue) {
    if (pValue)
        ::setenv(pName.c_str(), pValue->c_str(), 1);
    else
        ::unsetenv(pName.c_str());
}

} // namespace zev::os
