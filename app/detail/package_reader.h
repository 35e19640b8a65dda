#pragma once
// Reading the update package back from the running program's own executable file: the payload
// stands before an 8-byte trailer (magic AA AA AA AA, payload length). A file without a valid
// trailer, one whose length is negative or larger than the file, has no package.

#include "datafiles/abytes.h"

#include <string>

namespace zev {

// Fills bytes with the package of the file at pPath (UTF-8), or empties it when the file has
// none; true when bytes is not empty. Raises an error whose message is text 1 of the text table
// in the current language when the file cannot be opened.
bool ReadPackageOfFile(const std::string& pPath, ABytes& bytes);

// The same for the running program's own file.
bool ReadAttachedPackage(ABytes& bytes);

} // namespace zev
