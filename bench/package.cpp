#include "bench/package.h"

#include "core/error.h"
#include "core/format.h"
#include "datafiles/package_trailer.h"

namespace zev::bench {

namespace {

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

bool DeviceHoldsPackage(const test::TSimDeviceDump& pDump, const TCheckedPackage& pPackage,
                        std::string& pWhy) {
    return LinesHeld(pDump.Flash, pPackage.flash, "flash", pWhy) &&
           LinesHeld(pDump.Eeprom, pPackage.eeprom, "EEPROM", pWhy);
}

} // namespace zev::bench
