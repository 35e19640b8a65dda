#pragma once
// Small helpers over the Windows registry: an owned key, its subkey and value names, and text,
// number and binary values read the way the port library expects. The calls fail as
// platform/error.h says, with the registry's own status codes.

#include "platform/error.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zev::os::win32 {

// An open key, closed with the object.
class TOwnedKey {
public:
    TOwnedKey() = default;
    explicit TOwnedKey(HKEY key) : FKey(key) {}
    ~TOwnedKey();
    TOwnedKey(TOwnedKey&& other) noexcept : FKey(other.release()) {}
    TOwnedKey& operator=(TOwnedKey&& other) noexcept;
    TOwnedKey(const TOwnedKey&) = delete;
    TOwnedKey& operator=(const TOwnedKey&) = delete;

    HKEY get() const { return FKey; }
    HKEY release();
    explicit operator bool() const { return FKey != nullptr; }

    // Opens the key below root for reading only.
    std::error_code OpenReadOnly(HKEY root, const std::string& path);

private:
    HKEY FKey = nullptr;
};

// The names of the key's subkeys, or of its values, in the registry's own order.
std::vector<std::string> SubkeyNames(HKEY key);
std::vector<std::string> ValueNames(HKEY key);
bool HasSubkey(HKEY key, const std::string& name);

// The value reads fail with ERROR_FILE_NOT_FOUND (TErrorKind::NotFound) when there is no value of
// that name, with ERROR_UNSUPPORTED_TYPE (TErrorKind::WrongType) when the value has another type
// than the one asked for, and with any other code when it exists but cannot be read (too long,
// access denied, ...).

// A text value (REG_SZ, or REG_EXPAND_SZ left unexpanded), as UTF-8.
std::error_code ReadText(HKEY key, const std::string& name, std::string& text);
// A 32-bit number value (REG_DWORD).
std::error_code ReadDword(HKEY key, const std::string& name, std::uint32_t& value);
// A binary value (REG_BINARY) of at most maxSize bytes; a longer one fails with ERROR_MORE_DATA.
std::error_code ReadBinary(HKEY key, const std::string& name, std::size_t maxSize,
                           std::vector<std::uint8_t>& data);

} // namespace zev::os::win32
