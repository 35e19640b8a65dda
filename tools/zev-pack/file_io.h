#pragma once
// Whole-file reading and all-or-nothing writing for zev-pack. File names are UTF-8 text, as the
// command line gives them, on every system.

#include "datafiles/abytes.h"

#include <filesystem>
#include <optional>

namespace zev::pack {

// The bytes of a regular file. Raises an error naming the file otherwise.
ABytes ReadFileBytes(const std::string& name);

// Writes bytes to a temporary file beside the named one, gives it the permissions (when set), and
// renames it over the named file, which then holds either its old contents or all of the new ones.
void WriteFileAtomically(const std::string& name, const ABytes& bytes,
                         std::optional<std::filesystem::perms> permissions = std::nullopt);

// The permissions of an existing file.
std::filesystem::perms PermissionsOf(const std::string& name);

} // namespace zev::pack
