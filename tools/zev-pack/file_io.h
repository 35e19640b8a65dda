#pragma once
// Whole-file reading and all-or-nothing writing for zev-pack.

#include "datafiles/abytes.h"

#include <filesystem>
#include <optional>

namespace zev::pack {

// The bytes of a regular file. Raises an error naming the file otherwise.
ABytes ReadFileBytes(const std::filesystem::path& path);

// Writes bytes to a temporary file beside path, gives it the permissions (when set), and renames
// it over path: path then holds either its old contents or all of the new ones.
void WriteFileAtomically(const std::filesystem::path& path, const ABytes& bytes,
                         std::optional<std::filesystem::perms> permissions = std::nullopt);

// The permissions of an existing file.
std::filesystem::perms PermissionsOf(const std::filesystem::path& path);

} // namespace zev::pack
