#include "platform/win32/reg_key.h"

#include "platform/win32/wide_text.h"

#include <cstring>
#include <initializer_list>

namespace zev::os::win32 {

namespace {

std::error_code Code(LSTATUS status) {
    return SystemError(static_cast<int>(status));
}

} // namespace

TOwnedKey::~TOwnedKey() {
    if (FKey != nullptr) RegCloseKey(FKey);
}

TOwnedKey& TOwnedKey::operator=(TOwnedKey&& other) noexcept {
    if (this != &other) {
        if (FKey != nullptr) RegCloseKey(FKey);
        FKey = other.release();
    }
    return *this;
}

HKEY TOwnedKey::release() {
    HKEY key = FKey;
    FKey = nullptr;
    return key;
}

std::error_code TOwnedKey::OpenReadOnly(HKEY root, const std::string& path) {
    if (FKey != nullptr) RegCloseKey(release());
    const std::wstring wide = Widen(path);
    // Some keys grant listing and querying but not the whole of KEY_READ; a key that opens
    // neither way fails with the code of the second try.
    LSTATUS status = ERROR_SUCCESS;
    for (const REGSAM access :
         {REGSAM{KEY_READ}, REGSAM{KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS}}) {
        HKEY key = nullptr;
        status = RegOpenKeyExW(root, wide.c_str(), 0, access, &key);
        if (status == ERROR_SUCCESS) {
            FKey = key;
            return {};
        }
    }
    return Code(status);
}

namespace {

// Names of subkeys (values == false) or values, up to the first index the registry refuses.
std::vector<std::string> Names(HKEY key, bool values) {
    std::vector<std::string> names;
    DWORD maxSubkey = 0;
    DWORD maxValue = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &maxSubkey, nullptr, nullptr,
                         &maxValue, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return names;
    }
    std::wstring buffer((values ? maxValue : maxSubkey) + 1, L'\0');
    for (DWORD i = 0;; ++i) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const LSTATUS status =
            values
                ? RegEnumValueW(key, i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr)
                : RegEnumKeyExW(key, i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) { // a longer name arrived meanwhile
            buffer.resize(buffer.size() * 2);
            --i;
            continue;
        }
        if (status != ERROR_SUCCESS) break;
        names.push_back(Narrow(buffer.data(), length));
    }
    return names;
}

// Reads a value of one of the given types into bytes; size limits the data when nonzero.
std::error_code ReadRaw(HKEY key, const std::string& name, std::initializer_list<DWORD> types,
                        std::size_t limit, std::vector<BYTE>& data) {
    const std::wstring wide = Widen(name);
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0;
        DWORD size = 0;
        LSTATUS status = RegQueryValueExW(key, wide.c_str(), nullptr, &type, nullptr, &size);
        if (status != ERROR_SUCCESS) return Code(status); // ERROR_FILE_NOT_FOUND: no such value
        bool typeOk = false;
        for (const DWORD t : types) typeOk = typeOk || t == type;
        if (!typeOk) return Code(ERROR_UNSUPPORTED_TYPE);
        if (limit != 0 && size > limit) return Code(ERROR_MORE_DATA);
        data.assign(size, 0);
        status = RegQueryValueExW(key, wide.c_str(), nullptr, &type,
                                  data.empty() ? nullptr : data.data(), &size);
        if (status == ERROR_MORE_DATA) continue; // the value grew meanwhile
        if (status != ERROR_SUCCESS) return Code(status);
        data.resize(size);
        return {};
    }
    return Code(ERROR_MORE_DATA);
}

} // namespace

std::vector<std::string> SubkeyNames(HKEY key) {
    return Names(key, false);
}

std::vector<std::string> ValueNames(HKEY key) {
    return Names(key, true);
}

bool HasSubkey(HKEY key, const std::string& name) {
    TOwnedKey sub;
    return !sub.OpenReadOnly(key, name);
}

std::error_code ReadText(HKEY key, const std::string& name, std::string& text) {
    std::vector<BYTE> data;
    if (const auto code = ReadRaw(key, name, {REG_SZ, REG_EXPAND_SZ}, 0, data)) return code;
    std::wstring wide(data.size() / sizeof(wchar_t), L'\0');
    if (!wide.empty()) std::memcpy(wide.data(), data.data(), wide.size() * sizeof(wchar_t));
    while (!wide.empty() && wide.back() == L'\0') wide.pop_back(); // stored terminators
    const auto nul = wide.find(L'\0');
    if (nul != std::wstring::npos) wide.resize(nul);
    text = Narrow(wide);
    return {};
}

std::error_code ReadDword(HKEY key, const std::string& name, std::uint32_t& value) {
    std::vector<BYTE> data;
    if (const auto code = ReadRaw(key, name, {REG_DWORD}, 0, data)) return code;
    if (data.size() != sizeof(DWORD)) return Code(ERROR_UNSUPPORTED_TYPE);
    std::memcpy(&value, data.data(), sizeof(DWORD));
    return {};
}

std::error_code ReadBinary(HKEY key, const std::string& name, std::size_t maxSize,
                           std::vector<std::uint8_t>& data) {
    std::vector<BYTE> raw;
    if (const auto code = ReadRaw(key, name, {REG_BINARY}, maxSize, raw)) return code;
    data.assign(raw.begin(), raw.end());
    return {};
}

} // namespace zev::os::win32
