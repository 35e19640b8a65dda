#include "datafiles/package_trailer.h"

#include "core/error.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>

namespace zev {

std::optional<TPackageSpan> PackageSpanOf(std::uint64_t fileSize, const ABytes& trailer) {
    if (fileSize < kPackageTrailerSize || trailer.size() < kPackageTrailerSize) return std::nullopt;
    if (ABytesGetLong(trailer, 0) != kPackageMagic) return std::nullopt;
    const auto n = static_cast<std::int32_t>(ABytesGetLong(trailer, 4));
    if (n < 0) return std::nullopt;
    const std::uint64_t length = static_cast<std::uint32_t>(n);
    if (length + kPackageTrailerSize > fileSize) return std::nullopt;
    return TPackageSpan{fileSize - kPackageTrailerSize - length, static_cast<std::uint32_t>(n)};
}

std::optional<TPackageSpan> PackageSpanOfBytes(const ABytes& file) {
    if (file.size() < kPackageTrailerSize) return std::nullopt;
    const ABytes trailer(file.end() - kPackageTrailerSize, file.end());
    return PackageSpanOf(file.size(), trailer);
}

ABytes PackagePayloadFromBytes(const ABytes& file) {
    const auto span = PackageSpanOfBytes(file);
    if (!span) return {};
    const auto first = file.begin() + static_cast<std::ptrdiff_t>(span->offset);
    return ABytes(first, first + span->length);
}

bool ReadPackageFromStream(std::istream& stream, ABytes& payload) {
    payload.clear();
    stream.clear();
    stream.seekg(0, std::ios::end);
    const std::streamoff end = stream.tellg();
    if (!stream || end < static_cast<std::streamoff>(kPackageTrailerSize)) return false;
    const auto fileSize = static_cast<std::uint64_t>(end);

    ABytes trailer(kPackageTrailerSize);
    stream.seekg(end - static_cast<std::streamoff>(kPackageTrailerSize));
    stream.read(reinterpret_cast<char*>(trailer.data()), kPackageTrailerSize);
    trailer.resize(static_cast<std::size_t>(stream.gcount()));
    const auto span = PackageSpanOf(fileSize, trailer);
    if (!span) return false;

    stream.clear();
    stream.seekg(static_cast<std::streamoff>(span->offset));
    if (!stream) return false;
    payload.resize(span->length);
    stream.read(reinterpret_cast<char*>(payload.data()), span->length);
    payload.resize(static_cast<std::size_t>(stream.gcount()));
    return !payload.empty();
}

bool ReadPackageFromFile(const std::filesystem::path& path, ABytes& payload) {
    errno = 0;
    std::ifstream stream(path, std::ios::binary);
    if (!stream.is_open()) {
        std::string message = "Cannot open file \"" + path.string() + "\"";
        if (errno != 0) message += ": " + std::string(std::strerror(errno));
        Raise(message);
    }
    return ReadPackageFromStream(stream, payload);
}

ABytes PackageTrailer(std::uint32_t length) {
    return ABytesFromLongs({kPackageMagic, length});
}

ABytes AppendPackage(const ABytes& program, const ABytes& payload) {
    if (payload.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        Raise("The package is too large for its length field");
    ABytes out;
    out.reserve(program.size() + payload.size() + kPackageTrailerSize);
    out.insert(out.end(), program.begin(), program.end());
    out.insert(out.end(), payload.begin(), payload.end());
    const ABytes trailer = PackageTrailer(static_cast<std::uint32_t>(payload.size()));
    out.insert(out.end(), trailer.begin(), trailer.end());
    return out;
}

} // namespace zev
