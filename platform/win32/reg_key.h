#pragma once
// Small helpers over the Windows registry: an owned key, its subkey and value names, and text,
// number and binary values read the way the port library expects.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zev::os::win32 {

// An open key, closed with the object.
class TOwnedKey {
public:
    TOwnedKey() = default;
    explicit TOwnedKey(HKEY key) : key_(key) {}
    ~TOwnedKey();
    TOwnedKey(TOwnedKey&& other) noexcept : key_(other.release()) {}
    TOwnedKey& operator=(TOwnedKey&& other) noexcept;
    TOwnedKey(const TOwnedKey&) = delete;
    TOwnedKey& operator=(const TOwnedKey&) = delete;

    HKEY get() const { return key_; }
    HKEY release();
    explicit operator bool() const { return key_ != nullptr; }

    // Opens the key below root for reading only; false when that is not possible.
    bool OpenReadOnly(HKEY root, const std::string& path);

private:
    HKEY key_ = nullptr;
};

// The names of the key's subkeys, or of its values, in the registry's own order.
std::vector<std::string> SubkeyNames(HKEY key);
std::vector<std::string> ValueNames(HKEY key);
bool HasSubkey(HKEY key, const std::string& name);

enum class TValueRead {
    Ok,
    Missing,    // no value of that name
    WrongType,  // the value has another type than the one asked for
    Unreadable, // the value exists but could not be read (too long, access denied, ...)
};

// A text value (REG_SZ, or REG_EXPAND_SZ left unexpanded), as UTF-8.
TValueRead ReadText(HKEY key, const std::string& name, std::string& text);
// A 32-bit number value (REG_DWORD).
TValueRead ReadDword(HKEY key, const std::string& name, std::uint32_t& value);
// A binary value (REG_BINARY) of at most maxSize bytes; a longer one is Unreadable.
TValueRead ReadBinary(HKEY key, const std::string& name, std::size_t maxSize,
                      std::vector<std::uint8_t>& data);

// The registry's own error texts for a value that cannot be read.
std::string InvalidTypeMessage(const std::string& name);
std::string GetDataFailedMessage(const std::string& name);

} // namespace zev::os::win32
