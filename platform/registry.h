#pragma once
// A small store of 32-bit values under named keys, with the shape of the Windows registry: keys
// are paths joined by "\" under a root, values are named. On Windows it is the registry itself;
// elsewhere the backend keeps the keys in files of its own.

#include <cstdint>
#include <string>

namespace zev::os {

enum class TRegRoot { CurrentUser, LocalMachine };

// An open key; 0 is none.
using TRegKey = std::uintptr_t;

// Opens the key below the root for reading and writing, creating it (and the keys above it) when
// it does not exist. False when that is not possible.
bool RegistryOpenKey(TRegRoot root, const std::string& path, TRegKey& key);
void RegistryCloseKey(TRegKey key);

enum class TRegRead {
    Ok,        // value read
    Missing,   // no value of that name
    WrongType, // the value exists but is not a 32-bit number
};

TRegRead RegistryReadDword(TRegKey key, const std::string& name, std::uint32_t& value);
// Writes (or replaces) a 32-bit value; 0 on success, else the system error code.
std::uint32_t RegistryWriteDword(TRegKey key, const std::string& name, std::uint32_t value);

} // namespace zev::os
