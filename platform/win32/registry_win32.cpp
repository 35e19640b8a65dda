// The key store on Windows is the registry itself.

#include "platform/registry.h"
#include "platform/win32/reg_key.h"
#include "platform/win32/wide_text.h"

namespace zev::os {

namespace {

HKEY RootKey(TRegRoot root) {
    return root == TRegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

HKEY AsKey(TRegKey key) {
    return reinterpret_cast<HKEY>(key);
}

} // namespace

bool RegistryOpenKey(TRegRoot root, const std::string& path, TRegKey& key) {
    key = 0;
    // A leading backslash names the key from the root, which is where every path starts anyway.
    const std::string relative = !path.empty() && path.front() == '\\' ? path.substr(1) : path;
    HKEY opened = nullptr;
    if (RegCreateKeyExW(RootKey(root), win32::Widen(relative).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &opened,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    key = reinterpret_cast<TRegKey>(opened);
    return true;
}

void RegistryCloseKey(TRegKey key) {
    if (key != 0) RegCloseKey(AsKey(key));
}

TRegRead RegistryReadDword(TRegKey key, const std::string& name, std::uint32_t& value) {
    std::uint32_t read = 0;
    switch (win32::ReadDword(AsKey(key), name, read)) {
    case win32::TValueRead::Ok:
        value = read;
        return TRegRead::Ok;
    case win32::TValueRead::Missing:
        return TRegRead::Missing;
    case win32::TValueRead::WrongType:
    case win32::TValueRead::Unreadable:
        break;
    }
    return TRegRead::WrongType;
}

std::uint32_t RegistryWriteDword(TRegKey key, const std::string& name, std::uint32_t value) {
    const DWORD data = value;
    return static_cast<std::uint32_t>(
        RegSetValueExW(AsKey(key), win32::Widen(name).c_str(), 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&data), sizeof(data)));
}

} // namespace zev::os
