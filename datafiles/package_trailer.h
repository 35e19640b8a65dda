#pragma once
// The update package appended to an executable: the payload, then the magic bytes AA AA AA AA,
// then the payload length N as a little-endian signed 32-bit value.
//
// A trailer is valid only when the magic matches, N is neither negative nor above
// kPackageLengthLimit and N + 8 fits in the file; anything else counts as no package. No read or
// allocation is ever larger than the file or the limit.
//
// Where the trailer is looked for: first in the last 8 bytes of the file. When none is there and
// the file is a signed Windows program (a PE image whose certificate table starts on an 8-byte
// boundary and ends the file, see pe_signature.h), in the 8 bytes before the certificate table,
// after which up to 7 zero bytes may pad the signed part to the table's 8-byte boundary. That is
// the layout of an updater signed after packing: the signature then covers the package.

#include "datafiles/abytes.h"
#include "datafiles/pe_signature.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>

namespace zev {

inline constexpr std::uint32_t kPackageMagic = 0xAAAAAAAA;
inline constexpr std::size_t kPackageTrailerSize = 8;

// The longest payload of a package that passes the start-up check: the block count (2 bytes);
// at most 0xFFFF block table entries of 12 bytes (blocks other than flash and EEPROM may be listed
// while empty); the flash block, whose whole 64-byte lines end at 0x10000 at most, plus a tail of
// at most 63 bytes that no line carries; the EEPROM block, 256 bytes held one a word (512 bytes).
// 2 + 786420 + 65599 + 512 = 852533 bytes.
inline constexpr std::uint64_t kLargestValidPayload =
    2 + 12 * std::uint64_t{0xFFFF} + (0x10000 + 63) + 2 * 256;
// A stated payload length above this is no package: it is refused before anything is read or
// allocated (1 MiB; a length field could otherwise ask for up to 2 GiB).
inline constexpr std::uint32_t kPackageLengthLimit = 0x100000;
static_assert(kLargestValidPayload <= kPackageLengthLimit);

// The zero bytes that zev-pack puts between the program and the payload: up to 7, so that the
// whole file is a multiple of 8 bytes long and a certificate table appended later (which starts
// on an 8-byte boundary) follows the trailer directly.
inline constexpr std::uint64_t kPackageAlignment = 8;

// Where the package of a file lies, when it has one.
struct TPackageSpan {
    std::uint64_t offset = 0; // first payload byte; also the length of the program before it
    std::uint32_t length = 0; // N
};

// Where a file's package was found.
struct TPackageLocation {
    TPackageSpan span;
    std::uint64_t trailerEnd = 0; // the byte after the trailer
    // The certificate table the trailer was found before (the package then lies inside the signed
    // part); empty when the trailer ends the file.
    std::optional<TCertificateTable> table;
};

// The package whose trailer (fewer bytes when the file is shorter) ends at byte trailerEnd.
std::optional<TPackageSpan> PackageSpanOf(std::uint64_t trailerEnd, const ABytes& trailer);

// The package of a file of fileSize bytes: the trailer at the end, or in front of a signed
// program's certificate table. Reads at most a few hundred header bytes, never the payload.
std::optional<TPackageLocation> LocatePackage(std::uint64_t fileSize, const TReadAt& read);

// The same for a whole file held in memory.
std::optional<TPackageLocation> LocatePackageInBytes(const ABytes& file);

// The package of a whole file held in memory, when it has a valid trailer.
std::optional<TPackageSpan> PackageSpanOfBytes(const ABytes& file);

// The payload of a whole file held in memory; empty when it has no valid trailer.
ABytes PackagePayloadFromBytes(const ABytes& file);

// Reads the payload from a seekable stream the way the updater reads its own file: the trailer
// (LocatePackage), then the N bytes before it. Returns false with payload empty when there is no
// valid trailer; a read that ends early leaves payload cut to the bytes read.
bool ReadPackageFromStream(std::istream& stream, ABytes& payload);

// The same, telling where the package was found (empty when there is none).
std::optional<TPackageLocation> ReadLocatedPackage(std::istream& stream, ABytes& payload);

// Reads up to count bytes of a seekable stream at offset; fewer where it ends.
TReadAt ReadAtStream(std::istream& stream);

// The size of a seekable stream; empty when it cannot be sought.
std::optional<std::uint64_t> StreamSize(std::istream& stream);

// The same for a file, opened read-only. Raises an error naming the file when it cannot be
// opened.
bool ReadPackageFromFile(const std::filesystem::path& path, ABytes& payload);

// A file opened read-only in binary mode. Raises an error naming the file when it cannot be opened.
std::ifstream OpenFileForReading(const std::filesystem::path& path);

// program + payload + trailer. Raises when the payload is too long for the length field.
ABytes AppendPackage(const ABytes& program, const ABytes& payload);

// The zero bytes to put after a program of programSize bytes so that program, padding, a payload
// of payloadSize bytes and the trailer make a multiple of kPackageAlignment bytes.
std::size_t PackagePadding(std::uint64_t programSize, std::uint64_t payloadSize);

// program + zero padding + payload + trailer, the whole a multiple of 8 bytes long (zev-pack's
// layout; the payload is found from the trailer as in any other file).
ABytes AppendPackageAligned(const ABytes& program, const ABytes& payload);

// The trailer for a payload of the given length.
ABytes PackageTrailer(std::uint32_t length);

} // namespace zev
