// The key store on Linux: one folder per key below a root folder, the key's values in a text
// file "values" of lines Name=dword:XXXXXXXX. The store lives under the user's data folder, or
// under ZEV_REG_ROOT when that is set.

#include "platform/registry.h"
#include "platform/system.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <vector>

namespace zev::os {

namespace {

struct TStore {
    std::mutex lock;
    std::map<TRegKey, std::string> keys; // open key → its folder
    TRegKey next = 1;
};

TStore& Store() {
    static TStore store;
    return store;
}

std::string StoreRoot() {
    if (const char* root = std::getenv("ZEV_REG_ROOT"); root && *root) return root;
    return UserDataFolder() + "/zev-programmer/registry";
}

std::error_code MakeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return SystemError(errno);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return SystemError(errno);
    return S_ISDIR(st.st_mode) ? std::error_code() : SystemError(ENOTDIR);
}

// mkdir -p; the code of the first level that cannot be made.
std::error_code MakeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        if (const auto code = MakeFolder(path.substr(0, slash))) return code;
    }
    return MakeFolder(path);
}

// The key's folder; empty for a path that names no key of the store ("..", "/" in a name).
std::string KeyFolder(TRegRoot root, const std::string& path) {
    std::string folder = StoreRoot();
    folder += root == TRegRoot::CurrentUser ? "/HKEY_CURRENT_USER" : "/HKEY_LOCAL_MACHINE";
    std::stringstream parts(path);
    std::string part;
    while (std::getline(parts, part, '\\')) {
        if (part.empty()) continue;
        if (part == "." || part == ".." || part.find('/') != std::string::npos ||
            part.find('\0') != std::string::npos)
            return {};
        folder += "/" + part;
    }
    return folder;
}

std::string FolderOf(TRegKey key) {
    auto& store = Store();
    std::lock_guard<std::mutex> guard(store.lock);
    auto it = store.keys.find(key);
    return it == store.keys.end() ? std::string() : it->second;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::vector<std::string> ReadLines(const std::string& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

} // namespace

std::error_code RegistryOpenKey(TRegRoot root, const std::string& path, TRegKey& key) {
    key = 0;
    const std::string folder = KeyFolder(root, path);
    if (folder.empty()) return SystemError(EINVAL);
    if (const auto code = MakeFolders(folder)) return code;
    auto& store = Store();
    std::lock_guard<std::mutex> guard(store.lock);
    key = store.next++;
    store.keys[key] = folder;
    return {};
}

void RegistryCloseKey(TRegKey key) {
    auto& store = Store();
    std::lock_guard<std::mutex> guard(store.lock);
    store.keys.erase(key);
}

// A value that is no 32-bit number gives ENOMSG (of the wrong type); an unknown key has no values.
std::error_code RegistryReadDword(TRegKey key, const std::string& name, std::uint32_t& value) {
    const std::string folder = FolderOf(key);
    if (folder.empty()) return SystemError(ENOENT);
    std::lock_guard<std::mutex> guard(Store().lock);
    for (const auto& line : ReadLines(folder + "/values")) {
        const auto eq = line.find('=');
        if (eq == std::string::npos || !SameName(line.substr(0, eq), name)) continue;
        const std::string data = line.substr(eq + 1);
        const std::string prefix = "dword:";
        if (data.size() != prefix.size() + 8 || data.compare(0, prefix.size(), prefix) != 0)
            return SystemError(ENOMSG);
        char* end = nullptr;
        const unsigned long number = std::strtoul(data.c_str() + prefix.size(), &end, 16);
        if (*end != '\0') return SystemError(ENOMSG);
        value = static_cast<std::uint32_t>(number);
        return {};
    }
    return SystemError(ENOENT);
}

std::error_code RegistryWriteDword(TRegKey key, const std::string& name, std::uint32_t value) {
    const std::string folder = FolderOf(key);
    if (folder.empty()) return SystemError(EBADF);
    if (name.find_first_of("=\r\n") != std::string::npos) return SystemError(EINVAL);
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", value);
    const std::string entry = name + "=dword:" + hex;

    std::lock_guard<std::mutex> guard(Store().lock);
    auto lines = ReadLines(folder + "/values");
    bool replaced = false;
    for (auto& line : lines) {
        const auto eq = line.find('=');
        if (eq != std::string::npos && SameName(line.substr(0, eq), name)) {
            line = entry;
            replaced = true;
            break;
        }
    }
    if (!replaced) lines.push_back(entry);
    // Written aside and renamed over, so a failed write never leaves half a file.
    const std::string temp = folder + "/values.new";
    {
        std::ofstream out(temp, std::ios::trunc);
        for (const auto& line : lines) out << line << '\n';
        out.flush();
        if (!out) return SystemError(EIO);
    }
    if (std::rename(temp.c_str(), (folder + "/values").c_str()) != 0) return SystemError(errno);
    return {};
}

} // namespace zev::os
