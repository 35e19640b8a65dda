#include "bench/package.h"

#include "core/error.h"
#include "core/format.h"
#include "datafiles/package_trailer.h"

#include <fstream>
#include <iterator>

namespace zev::bench {

namespace {

ABytes ReadBytes(const std::string& pPath) {
    std::ifstream file(pPath, std::ios::binary);
    if (!file) Raise("cannot read " + pPath);
    return ABytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

bool LinesHeld(const ABytes& pMemory, const ALormanBootLoaderDataLines& pLines, const char* pKind,
               std::string& pWhy) {
    for (const TLormanBootLoaderDataLine& line : pLines) {
        for (std::size_t k = 0; k < line.D.size(); ++k) {
            const std::size_t at = line.A + k;
            if (at >= pMemory.size() || pMemory[at] != line.D[k]) {
                pWhy = Format("%s line %.4x differs at byte %d",
                              {pKind, line.A, static_cast<long long>(k)});
                return false;
            }
        }
    }
    return true;
}

} // namespace

TCheckedPackage LoadPackage(const std::string& pPath) {
    ABytes payload;
    if (!ReadPackageFromFile(pPath, payload)) Raise(pPath + " carries no update package");
    TCheckedPackage package;
    try {
        CheckPackage(payload, package);
    } catch (const std::exception& e) {
        Raise(pPath + ": the package fails its check: " + e.what());
    }
    return package;
}

bool DeviceHoldsPackage(const std::string& pDumpDir, const std::string& pName,
                        const TCheckedPackage& pPackage, std::string& pWhy) {
    const std::string base = pDumpDir + "/" + pName;
    return LinesHeld(ReadBytes(base + ".flash.bin"), pPackage.flash, "flash", pWhy) &&
           LinesHeld(ReadBytes(base + ".eeprom.bin"), pPackage.eeprom, "EEPROM", pWhy);
}

} // namespace zev::bench
