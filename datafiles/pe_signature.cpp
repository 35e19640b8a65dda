#include "datafiles/pe_signature.h"

#include <algorithm>

namespace zev {

namespace {

// The DOS header's pointer to the PE header.
constexpr std::uint64_t kPeOffsetField = 0x3C;
// "PE\0\0", then the 20-byte file header, then the optional header.
constexpr std::size_t kFileHeaderAt = 4;
constexpr std::size_t kOptionalHeaderSizeAt = kFileHeaderAt + 16;
constexpr std::size_t kOptionalHeaderAt = kFileHeaderAt + 20;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
// Within the optional header: the count of data directories and the first directory.
constexpr std::size_t kChecksumAt = 64; // the image checksum, which covers the whole file
constexpr std::size_t kPe32DirectoryCountAt = 92;
constexpr std::size_t kPe32PlusDirectoryCountAt = 108;
constexpr std::size_t kDirectorySize = 8;
constexpr std::uint32_t kSecurityDirectory = 4;
// The most a header read takes: a PE32+ optional header up to the end of the security directory.
constexpr std::size_t kHeaderBytes =
    kOptionalHeaderAt + kPe32PlusDirectoryCountAt + 4 + (kSecurityDirectory + 1) * kDirectorySize;
constexpr std::uint64_t kTableAlignment = 8;

std::uint16_t Word(const ABytes& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t Long(const ABytes& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(Word(bytes, at)) |
           static_cast<std::uint32_t>(Word(bytes, at + 2)) << 16;
}

// Where the optional header and its security directory entry lie in a file, when the headers are
// well-formed.
struct THeaderOffsets {
    std::uint64_t optionalHeader = 0;
    std::uint64_t securityEntry = 0;
};

std::optional<THeaderOffsets> HeaderOffsets(std::uint64_t fileSize, const TReadAt& read) {
    const ABytes dos = read(0, kPeOffsetField + 4);
    if (dos.size() < kPeOffsetField + 4 || dos[0] != 'M' || dos[1] != 'Z') return std::nullopt;
    const std::uint64_t pe = Long(dos, kPeOffsetField);
    if (pe >= fileSize) return std::nullopt;
    const ABytes header = read(pe, kHeaderBytes);
    if (header.size() < kOptionalHeaderAt + 2 || header[0] != 'P' || header[1] != 'E' ||
        header[2] != 0 || header[3] != 0)
        return std::nullopt;
    const std::size_t optionalSize = Word(header, kOptionalHeaderSizeAt);
    const std::uint16_t magic = Word(header, kOptionalHeaderAt);
    std::size_t countAt = 0;
    if (magic == kPe32Magic)
        countAt = kPe32DirectoryCountAt;
    else if (magic == kPe32PlusMagic)
        countAt = kPe32PlusDirectoryCountAt;
    else
        return std::nullopt;
    const std::size_t entry = countAt + 4 + kSecurityDirectory * kDirectorySize;
    // The entry must lie inside the optional header as its size gives it, and inside the file.
    if (optionalSize < entry + kDirectorySize) return std::nullopt;
    if (header.size() < kOptionalHeaderAt + entry + kDirectorySize) return std::nullopt;
    if (Long(header, kOptionalHeaderAt + countAt) <= kSecurityDirectory) return std::nullopt;
    return THeaderOffsets{pe + kOptionalHeaderAt, pe + kOptionalHeaderAt + entry};
}

} // namespace

TReadAt ReadAtBytes(const ABytes& file) {
    return [&file](std::uint64_t offset, std::size_t count) {
        if (offset >= file.size()) return ABytes{};
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(count, file.size() - offset));
        const auto first = file.begin() + static_cast<std::ptrdiff_t>(offset);
        return ABytes(first, first + static_cast<std::ptrdiff_t>(n));
    };
}

std::optional<TCertificateTable> SecurityDirectoryOf(std::uint64_t fileSize, const TReadAt& read) {
    const auto at = HeaderOffsets(fileSize, read);
    if (!at) return std::nullopt;
    const ABytes entry = read(at->securityEntry, kDirectorySize);
    if (entry.size() < kDirectorySize) return std::nullopt;
    const TCertificateTable table{Long(entry, 0), Long(entry, 4)};
    if (table.size == 0) return std::nullopt;
    return table;
}

bool IsTrailingCertificateTable(const TCertificateTable& table, std::uint64_t fileSize) {
    return table.size > 0 && table.offset % kTableAlignment == 0 && table.End() == fileSize;
}

std::optional<TCertificateTable> CertificateTableOf(std::uint64_t fileSize, const TReadAt& read) {
    const auto table = SecurityDirectoryOf(fileSize, read);
    if (!table || !IsTrailingCertificateTable(*table, fileSize)) return std::nullopt;
    return table;
}

std::uint32_t PeChecksum(const ABytes& file, std::uint64_t checksumAt) {
    std::uint64_t sum = 0;
    for (std::uint64_t k = 0; k < file.size(); k += 2) {
        if (k >= checksumAt && k < checksumAt + 4) continue;
        const std::uint32_t high = k + 1 < file.size() ? file[k + 1] : 0;
        sum += file[k] | high << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + file.size());
}

ABytes WithoutSignature(const ABytes& file) {
    ABytes out = file;
    const auto at = HeaderOffsets(file.size(), ReadAtBytes(file));
    if (!at || at->securityEntry + kDirectorySize > out.size()) return out;
    std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(at->securityEntry), kDirectorySize,
                std::uint8_t{0});
    const std::uint64_t checksumAt = at->optionalHeader + kChecksumAt;
    const ABytes checksum = ABytesFromLongs({PeChecksum(out, checksumAt)});
    std::copy(checksum.begin(), checksum.end(),
              out.begin() + static_cast<std::ptrdiff_t>(checksumAt));
    return out;
}

} // namespace zev
