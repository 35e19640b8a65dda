#pragma once
// The update package appended to an executable: the payload, then the magic bytes AA AA AA AA,
// then the payload length N as a little-endian signed 32-bit value.
//
// A trailer is valid only when the magic matches, N is not negative and N + 8 fits in the file;
// anything else counts as no package. No read or allocation is ever larger than the file.

#include "datafiles/abytes.h"

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>

namespace zev {

inline constexpr std::uint32_t kPackageMagic = 0xAAAAAAAA;
inline constexpr std::size_t kPackageTrailerSize = 8;

// Where the package of a file lies, when it has one.
struct TPackageSpan {
    std::uint64_t offset = 0; // first payload byte; also the length of the program before it
    std::uint32_t length = 0; // N
};

// The package of a file of fileSize bytes whose last 8 bytes are trailer (fewer when the file
// is shorter).
std::optional<TPackageSpan> PackageSpanOf(std::uint64_t fileSize, const ABytes& trailer);

// The package of a whole file held in memory, when it has a valid trailer.
std::optional<TPackageSpan> PackageSpanOfBytes(const ABytes& file);

// The payload of a whole file held in memory; empty when it has no valid trailer.
ABytes PackagePayloadFromBytes(const ABytes& file);

// Reads the payload from a seekable stream the way the updater reads its own file: the last 8
// bytes, then the N bytes before them. Returns false with payload empty when there is no valid
// trailer; a read that ends early leaves payload cut to the bytes read.
bool ReadPackageFromStream(std::istream& stream, ABytes& payload);

// The same for a file, opened read-only. Raises an error naming the file when it cannot be
// opened.
bool ReadPackageFromFile(const std::filesystem::path& path, ABytes& payload);

// program + payload + trailer. Raises when the payload is too long for the length field.
ABytes AppendPackage(const ABytes& program, const ABytes& payload);

// The trailer for a payload of the given length.
ABytes PackageTrailer(std::uint32_t length);

} // namespace zev
