#pragma once
// A small store of 32-bit values under named keys, with the shape of the Windows registry: keys
// are paths joined by "\" under a root, values are named. On Windows it is the registry itself;
// elsewhere the backend keeps the keys in files of its own. The calls fail as platform/error.h
// says.

#include "platform/error.h"

#include <cstdint>
#include <string>

namespace zev::os {

enum class TRegRoot { CurrentUser, LocalMachine };

// An open key; 0 is none.
using TRegKey = std::uintptr_t;

// Opens the key below the root for reading and writing, creating it (and the keys above it) when
// it does not exist.
std::error_code RegistryOpenKey(TRegRoot root, const std::string& path, TRegKey& key);
void RegistryCloseKey(TRegKey key);

// Reads a 32-bit value. A failure equals TErrorKind::NotFound when there is no value of that name;
// any other failure means the value is there but no 32-bit number that can be read.
std::error_code RegistryReadDword(TRegKey key, const std::string& name, std::uint32_t& value);
// Writes (or replaces) a 32-bit value.
std::error_code RegistryWriteDword(TRegKey key, const std::string& name, std::uint32_t value);

} // namespace zev::os
