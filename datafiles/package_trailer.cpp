#include "datafiles/package_trailer.h"

#include "core/error.h"
#include "datafiles/bootloader_image.h"
#include "datafiles/package_check.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <vector>

namespace zev {

// The derivation of kLargestValidPayload, in the names of the checks that set each part.
static_assert(kLargestValidPayload == 2 + 12 * std::uint64_t{0xFFFF} +
                                          (kPackageFlashLimit + kFlashLineSize - 1) +
                                          2 * kPackageEepromBytes);

namespace {

// The most zero bytes between a trailer and the certificate table after it.
constexpr std::uint64_t kMaxPaddingBeforeTable = kPackageAlignment - 1;

// True when the payload passes the updater's start-up check.
bool PassesCheck(const ABytes& payload) {
    try {
        return CheckPackage(payload).linesCut;
    } catch (const Error&) {
        return false;
    }
}

// The package whose trailer ends at most 7 zero bytes before the certificate table. The padding
// is not marked: a trailer whose length field begins with AA (or a payload that ends with AA)
// gives a second, overlapping trailer one byte away that is valid too. Then the one whose payload
// passes the updater's check is the package (at most 8 payloads of at most 1 MiB are read, and
// only then); failing that, the one nearest the table.
std::optional<TPackageLocation> BeforeCertificateTable(const TCertificateTable& table,
                                                       const TReadAt& read) {
    const std::uint64_t end = table.offset;
    const std::uint64_t window =
        std::min<std::uint64_t>(end, kPackageTrailerSize + kMaxPaddingBeforeTable);
    const ABytes tail = read(end - window, static_cast<std::size_t>(window));
    if (tail.size() != window) return std::nullopt;
    std::vector<TPackageLocation> found;
    for (std::uint64_t padding = 0; padding + kPackageTrailerSize <= window; ++padding) {
        const auto trailerEnd = static_cast<std::ptrdiff_t>(window - padding);
        if (padding > 0 && tail[static_cast<std::size_t>(trailerEnd)] != 0) break;
        const ABytes trailer(tail.begin() + trailerEnd - kPackageTrailerSize,
                             tail.begin() + trailerEnd);
        if (const auto span = PackageSpanOf(end - padding, trailer))
            found.push_back(TPackageLocation{*span, end - padding, table});
    }
    if (found.empty()) return std::nullopt;
    if (found.size() > 1)
        for (const TPackageLocation& location : found)
            if (PassesCheck(read(location.span.offset, location.span.length))) return location;
    return found.front();
}

ABytes AppendPaddedPackage(const ABytes& program, std::size_t padding, const ABytes& payload) {
    if (payload.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        Raise("The package is too large for its length field");
    ABytes out;
    out.reserve(program.size() + padding + payload.size() + kPackageTrailerSize);
    out.insert(out.end(), program.begin(), program.end());
    out.insert(out.end(), padding, std::uint8_t{0});
    out.insert(out.end(), payload.begin(), payload.end());
    const ABytes trailer = PackageTrailer(static_cast<std::uint32_t>(payload.size()));
    out.insert(out.end(), trailer.begin(), trailer.end());
    return out;
}

} // namespace

std::optional<TPackageSpan> PackageSpanOf(std::uint64_t trailerEnd, const ABytes& trailer) {
    if (trailerEnd < kPackageTrailerSize || trailer.size() < kPackageTrailerSize)
        return std::nullopt;
    if (ABytesGetLong(trailer, 0) != kPackageMagic) return std::nullopt;
    const auto n = static_cast<std::int32_t>(ABytesGetLong(trailer, 4));
    if (n < 0 || static_cast<std::uint32_t>(n) > kPackageLengthLimit) return std::nullopt;
    const std::uint64_t length = static_cast<std::uint32_t>(n);
    if (length + kPackageTrailerSize > trailerEnd) return std::nullopt;
    return TPackageSpan{trailerEnd - kPackageTrailerSize - length, static_cast<std::uint32_t>(n)};
}

std::optional<TPackageLocation> LocatePackage(std::uint64_t fileSize, const TReadAt& read) {
    if (fileSize >= kPackageTrailerSize) {
        const ABytes trailer = read(fileSize - kPackageTrailerSize, kPackageTrailerSize);
        if (const auto span = PackageSpanOf(fileSize, trailer))
            return TPackageLocation{*span, fileSize, std::nullopt};
    }
    const auto table = CertificateTableOf(fileSize, read);
    if (!table) return std::nullopt;
    return BeforeCertificateTable(*table, read);
}

std::optional<TPackageLocation> LocatePackageInBytes(const ABytes& file) {
    return LocatePackage(file.size(), ReadAtBytes(file));
}

std::optional<TPackageSpan> PackageSpanOfBytes(const ABytes& file) {
    const auto location = LocatePackageInBytes(file);
    if (!location) return std::nullopt;
    return location->span;
}

ABytes PackagePayloadFromBytes(const ABytes& file) {
    const auto span = PackageSpanOfBytes(file);
    if (!span) return {};
    const auto first = file.begin() + static_cast<std::ptrdiff_t>(span->offset);
    return ABytes(first, first + span->length);
}

TReadAt ReadAtStream(std::istream& stream) {
    return [&stream](std::uint64_t offset, std::size_t count) {
        ABytes bytes;
        if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max()))
            return bytes;
        stream.clear();
        stream.seekg(static_cast<std::streamoff>(offset));
        if (!stream) return bytes;
        bytes.resize(count);
        stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
        bytes.resize(static_cast<std::size_t>(stream.gcount()));
        return bytes;
    };
}

std::optional<std::uint64_t> StreamSize(std::istream& stream) {
    stream.clear();
    stream.seekg(0, std::ios::end);
    const std::streamoff end = stream.tellg();
    if (!stream || end < 0) return std::nullopt;
    return static_cast<std::uint64_t>(end);
}

std::optional<TPackageLocation> ReadLocatedPackage(std::istream& stream, ABytes& payload) {
    payload.clear();
    const auto size = StreamSize(stream);
    if (!size) return std::nullopt;
    // Only the trailer and a few header bytes are read before the length is known to be sound.
    const auto location = LocatePackage(*size, ReadAtStream(stream));
    if (!location) return std::nullopt;
    payload = ReadAtStream(stream)(location->span.offset, location->span.length);
    return location;
}

bool ReadPackageFromStream(std::istream& stream, ABytes& payload) {
    ReadLocatedPackage(stream, payload);
    return !payload.empty();
}

std::ifstream OpenFileForReading(const std::filesystem::path& path) {
    errno = 0;
    std::ifstream stream(path, std::ios::binary);
    if (!stream.is_open()) {
        std::string message = "Cannot open file \"" + path.string() + "\"";
        if (errno != 0) message += ": " + std::string(std::strerror(errno));
        Raise(message);
    }
    return stream;
}

bool ReadPackageFromFile(const std::filesystem::path& path, ABytes& payload) {
    std::ifstream stream = OpenFileForReading(path);
    return ReadPackageFromStream(stream, payload);
}

ABytes PackageTrailer(std::uint32_t length) {
    return ABytesFromLongs({kPackageMagic, length});
}

std::size_t PackagePadding(std::uint64_t programSize, std::uint64_t payloadSize) {
    const std::uint64_t rest =
        (programSize + payloadSize + kPackageTrailerSize) % kPackageAlignment;
    return static_cast<std::size_t>(rest == 0 ? 0 : kPackageAlignment - rest);
}

ABytes AppendPackage(const ABytes& program, const ABytes& payload) {
    return AppendPaddedPackage(program, 0, payload);
}

ABytes AppendPackageAligned(const ABytes& program, const ABytes& payload) {
    return AppendPaddedPackage(program, PackagePadding(program.size(), payload.size()), payload);
}

} // namespace zev
