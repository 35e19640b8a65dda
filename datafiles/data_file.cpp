#include "datafiles/data_file.h"

#include "core/error.h"
#include "datafiles/data_errors.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace zev {

namespace {

std::string FileError(const char* what, const std::filesystem::path& name) {
    const int code = errno;
    std::string message = std::string(what) + " \"" + name.string() + "\"";
    if (code != 0) message += ": " + std::string(std::strerror(code));
    return message;
}

} // namespace

void TCustomDataFile::Load(const std::filesystem::path& pName) {
    std::error_code ec;
    const auto status = std::filesystem::status(pName, ec);
    if (!std::filesystem::exists(status)) Raise(kErrNoFile);
    // Only regular files: a directory cannot be read and a device may never end.
    if (!std::filesystem::is_regular_file(status)) {
        errno = 0;
        Raise(FileError("Cannot read, not a regular file:", pName));
    }
    errno = 0;
    std::ifstream stream(pName, std::ios::binary);
    if (!stream.is_open()) Raise(FileError("Cannot open file", pName));
    LoadStream(stream, FData);
}

void TCustomDataFile::SaveAs(const std::filesystem::path& pName) {
    errno = 0;
    std::fstream stream;
    std::error_code ec;
    if (std::filesystem::exists(pName, ec))
        stream.open(pName, std::ios::binary | std::ios::in | std::ios::out);
    else
        stream.open(pName, std::ios::binary | std::ios::out);
    if (!stream.is_open()) Raise(FileError("Cannot write file", pName));
    SaveStream(stream, FData);
    stream.flush();
    if (!stream) Raise(FileError("Cannot write file", pName));
}

void TCustomDataFile::LoadStream(std::istream&, ABytes&) {}

void TCustomDataFile::SaveStream(std::ostream&, const ABytes&) {}

} // namespace zev
