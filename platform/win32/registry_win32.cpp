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

std::error_code RegistryOpenKey(TRegRoot root, const std::string& path, TRegKey& key) {
    key = 0;
    // A leading backslash names the key from the root, which is where every path starts anyway.
    const std::string relative = !path.empty() && path.front() == '\\' ? path.substr(1) : path;
    HKEY opened = nullptr;
    const LSTATUS status =
        RegCreateKeyExW(RootKey(root), win32::Widen(relative).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &opened, nullptr);
    if (status != ERROR_SUCCESS) return SystemError(static_cast<int>(status));
    key = reinterpret_cast<TRegKey>(opened);
    return {};
}

void RegistryCloseKey(TRegKey key) {
    if (key != 0) RegCloseKey(AsKey(key));
}

std::error_code RegistryReadDword(TRegKey key, const std::string& name, std::uint32_t& value) {
    return win32::ReadDword(AsKey(key), name, value);
}

std::error_code RegistryWriteDword(TRegKey key, const std::string& name, std::uint32_t value) {
    const DWORD data = value;
    return SystemError(
        static_cast<int>(RegSetValueExW(AsKey(key), win32::Widen(name).c_str(), 0, REG_DWORD,
                                        reinterpret_cast<const BYTE*>(&data), sizeof(data))));
}

} // namespace zev::os
