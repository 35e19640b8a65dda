#include "tools/zev-pack/file_io.h"

#include "core/error.h"
#include "core/utf8_path.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <system_error>

namespace zev::pack {

namespace {

std::string Quoted(const std::filesystem::path& path) {
    return "\"" + Utf8Text(path) + "\"";
}

std::string Reason(int code) {
    return code != 0 ? std::string(": ") + std::strerror(code) : std::string();
}

} // namespace

ABytes ReadFileBytes(const std::string& name) {
    const std::filesystem::path path = Utf8Path(name);
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) Raise("cannot read " + Quoted(path) + ": no such file");
    if (!std::filesystem::is_regular_file(status))
        Raise("cannot read " + Quoted(path) + ": not a regular file");
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) Raise("cannot open " + Quoted(path) + Reason(errno));
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) Raise("cannot read " + Quoted(path) + ": " + ec.message());
    ABytes bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::uint64_t>(in.gcount()) != size)
        Raise("cannot read " + Quoted(path) + ": the file changed while it was read");
    return bytes;
}

std::filesystem::perms PermissionsOf(const std::string& name) {
    const std::filesystem::path path = Utf8Path(name);
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec) Raise("cannot read the permissions of " + Quoted(path) + ": " + ec.message());
    return status.permissions();
}

void WriteFileAtomically(const std::string& name, const ABytes& bytes,
                         std::optional<std::filesystem::perms> permissions) {
    const std::filesystem::path path = Utf8Path(name);
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        Raise("cannot write " + Quoted(path) + ": it is a directory");
    std::random_device random;
    const auto temp = path.parent_path() / Utf8Path("." + Utf8Text(path.filename()) + ".zev-pack-" +
                                                    std::to_string(random()));
    try {
        errno = 0;
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out.is_open()) Raise("cannot write " + Quoted(path) + Reason(errno));
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) Raise("cannot write " + Quoted(path) + Reason(errno));
        if (permissions) {
            std::filesystem::permissions(temp, *permissions, ec);
            if (ec) Raise("cannot set the permissions of " + Quoted(path) + ": " + ec.message());
        }
        std::filesystem::rename(temp, path, ec);
        if (ec) Raise("cannot write " + Quoted(path) + ": " + ec.message());
    } catch (...) {
        std::filesystem::remove(temp, ec);
        throw;
    }
}

} // namespace zev::pack
