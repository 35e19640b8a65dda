#include "tests/wine/serial/test_keys.h"

#include <stdexcept>

namespace zev::bench {

TTestKey::TTestKey(HKEY root, std::wstring path) : FRoot(root), FPath(std::move(path)) {
    RegDeleteTreeW(FRoot, FPath.c_str());
}

TTestKey::~TTestKey() {
    RegDeleteTreeW(FRoot, FPath.c_str());
}

std::wstring TTestKey::Path(const std::wstring& sub) const {
    return sub.empty() ? FPath : FPath + L"\\" + sub;
}

void TTestKey::Create(const std::wstring& sub) const {
    HKEY key = nullptr;
    if (RegCreateKeyExW(FRoot, Path(sub).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create a test key");
    RegCloseKey(key);
}

void TTestKey::Set(const std::wstring& sub, const std::wstring& name, DWORD type, const void* data,
                   DWORD size) const {
    HKEY key = nullptr;
    if (RegCreateKeyExW(FRoot, Path(sub).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create a test key");
    const LSTATUS status =
        RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) throw std::runtime_error("cannot write a test value");
}

void TTestKey::SetText(const std::wstring& sub, const std::wstring& name,
                       const std::wstring& value) const {
    Set(sub, name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void TTestKey::SetDword(const std::wstring& sub, const std::wstring& name,
                        std::uint32_t value) const {
    const DWORD data = value;
    Set(sub, name, REG_DWORD, &data, sizeof(data));
}

void TTestKey::SetBinary(const std::wstring& sub, const std::wstring& name,
                         const std::vector<std::uint8_t>& value) const {
    Set(sub, name, REG_BINARY, value.data(), static_cast<DWORD>(value.size()));
}

bool TTestKey::Exists(const std::wstring& sub) const {
    HKEY key = nullptr;
    if (RegOpenKeyExW(FRoot, Path(sub).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::vector<std::wstring> TTestKey::ValueNames(const std::wstring& sub) const {
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(FRoot, Path(sub).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

} // namespace zev::bench
