#include "app/detail/package_reader.h"

#include "core/error.h"
#include "core/lang.h"
#include "core/utf8_path.h"
#include "datafiles/package_trailer.h"
#include "platform/system.h"

#include <fstream>

namespace zev {

bool ReadPackageOfFile(const std::string& pPath, ABytes& bytes) {
    bytes.clear();
    std::ifstream file;
    if (!pPath.empty()) file.open(Utf8Path(pPath), std::ios::binary);
    if (!file.is_open()) {
        std::string message;
        GetLangText(1, message);
        Raise(message);
    }
    // The trailer is checked against the file's size and the length limit before anything is
    // allocated; a signed program's package is found in front of its certificate table.
    return ReadPackageFromStream(file, bytes);
}

bool ReadAttachedPackage(ABytes& bytes) {
    return ReadPackageOfFile(os::ExecutablePath(), bytes);
}

} // namespace zev
