#pragma once
// TCustomDataFile: a byte image with a file name that loads and saves through two overridable
// stream operations.

#include "datafiles/abytes.h"

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>

namespace zev {

class TCustomDataFile {
public:
    TCustomDataFile() = default;
    virtual ~TCustomDataFile() = default;
    TCustomDataFile(const TCustomDataFile&) = default;
    TCustomDataFile& operator=(const TCustomDataFile&) = default;

    const ABytes& Data() const { return FData; }
    void SetData(ABytes data) { FData = std::move(data); }
    const std::string& Name() const { return FName; }
    std::int64_t Size() const { return static_cast<std::int64_t>(FData.size()); }

    // Reads the named file through LoadStream. Raises "0x0310" when no file of that name exists,
    // and an error naming the file when it exists but cannot be opened or read (a directory, a
    // device, a read failure). Name is not changed.
    void Load(const std::filesystem::path& pName);

    // Writes through SaveStream. An existing file is written from its first byte without being
    // cut short; a missing one is created. Name is not changed.
    void SaveAs(const std::filesystem::path& pName);
    void Save() { SaveAs(FName); }

protected:
    // Reads the stream into data. The base reads nothing.
    virtual void LoadStream(std::istream& stream, ABytes& data);
    // Writes data to the stream. The base writes nothing.
    virtual void SaveStream(std::ostream& stream, const ABytes& data);

    ABytes FData;
    std::string FName;
};

} // namespace zev
