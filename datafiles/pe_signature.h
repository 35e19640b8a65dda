#pragma once
// The signature of a Windows program: the certificate table that Authenticode appends to a PE
// image. Its place is the image's security directory (data directory 4), whose address is a file
// offset, not an address in memory. The signature covers the file up to the table; bytes after
// the table are covered by nothing.
//
// Parsing reads a fixed handful of header bytes at offsets checked against the file's size:
// anything that is not a well-formed header is a file without a signature, never an error.

#include "datafiles/abytes.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace zev {

// Reads up to count bytes of a file at offset; fewer (or none) where the file ends.
using TReadAt = std::function<ABytes(std::uint64_t offset, std::size_t count)>;

// The same over a whole file held in memory.
TReadAt ReadAtBytes(const ABytes& file);

// The security directory of a PE image: where its certificate table lies, as the header says.
struct TCertificateTable {
    std::uint64_t offset = 0; // file offset of the first byte
    std::uint64_t size = 0;   // bytes
    std::uint64_t End() const { return offset + size; }
};

// The security directory of a file of fileSize bytes when the file is a PE image whose directory
// is not empty (size not 0); wherever it points.
std::optional<TCertificateTable> SecurityDirectoryOf(std::uint64_t fileSize, const TReadAt& read);

// Whether a security directory is one a signed file's reader follows: its table starts on an
// 8-byte boundary and ends exactly at the end of the file.
bool IsTrailingCertificateTable(const TCertificateTable& table, std::uint64_t fileSize);

// The certificate table of a signed PE image, when its security directory is followed.
std::optional<TCertificateTable> CertificateTableOf(std::uint64_t fileSize, const TReadAt& read);

// The image checksum of a PE file whose checksum field lies at checksumAt: the 16-bit
// one's-complement sum of the file's words (the field left out) plus the file's length.
std::uint32_t PeChecksum(const ABytes& file, std::uint64_t checksumAt);

// The PE image with its security directory cleared (no signature announced) and its image
// checksum made anew for these bytes. Bytes that are not a PE image come back unchanged.
ABytes WithoutSignature(const ABytes& file);

} // namespace zev
