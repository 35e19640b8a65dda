#include "app/detail/device_judging.h"

#include "app/info_panel.h"
#include "core/cp1251.h"
#include "core/format.h"
#include "core/lang.h"

#include <algorithm>

namespace zev {

std::int32_t JudgeDevice(const TLormanBootLoaderDevID& pDevID, const TLormanBootLoaderInfo& pInfo) {
    if (pDevID.dBootTypeP != pInfo.TD || pDevID.dIspolnenieP != pInfo.IP ||
        pDevID.dPlateIzmP != pInfo.IZ)
        return kRowNotSupported;
    if (pDevID.dVerProg >= pInfo.VP) return kRowNotRequired;
    return kRowToUpdate;
}

TPackageMemory PackageMemory(const TLormanBootLoaderHexDataFile& pImage) {
    TPackageMemory memory;
    if (const auto flash = pImage.FlashBlock()) memory.flashFirst = pImage.Blocks()[*flash].A;
    const std::uint64_t flashBytes = std::uint64_t{pImage.GetFlash().size()} * kFlashLineSize;
    memory.flashLast = static_cast<std::uint32_t>(memory.flashFirst + flashBytes - 1);
    for (const TLormanBootLoaderDataLine& line : pImage.GetEEPROM())
        memory.eepromBytes += static_cast<std::uint32_t>(line.D.size());
    return memory;
}

bool MemoryFits(const TLormanBootLoaderDevID& pDevID, const TPackageMemory& pMemory) {
    if (pDevID.dAdressInf != pMemory.flashFirst) return false;
    if (pMemory.flashLast >= pMemory.flashFirst && pDevID.dAdressMax < pMemory.flashLast)
        return false;
    // The device sends its highest EEPROM address; 0xFFFF + 1 does not fit the 16-bit size.
    const std::uint32_t eeprom = pDevID.dEepromMax == 0 ? 0x10000 : pDevID.dEepromMax;
    return eeprom >= pMemory.eepromBytes;
}

std::int32_t JudgeDevice(const TLormanBootLoaderDevID& pDevID, const TLormanBootLoaderInfo& pInfo,
                         const TPackageMemory& pMemory) {
    if (!MemoryFits(pDevID, pMemory)) return kRowNotSupported;
    return JudgeDevice(pDevID, pInfo);
}

std::string DeviceRowText(const TLormanBootLoaderDevID& pDevID) {
    std::string name = pDevID.dName;
    name.erase(std::remove(name.begin(), name.end(), '\0'), name.end());
    std::string format;
    GetLangText(7, format);
    return Format(format,
                  {Cp1251ToUtf8(name), static_cast<std::uint64_t>(pDevID.dID), pDevID.dVerProg >> 8,
                   pDevID.dVerProg & 0xFF, pDevID.dIspolnenieP, pDevID.dPlateIzmP});
}

std::string PackageTitle(const TLormanBootLoaderInfo& pInfo) {
    std::string format;
    GetLangText(3, format);
    return Format(format,
                  {Cp1251ToUtf8(pInfo.TX), pInfo.VP >> 8, pInfo.VP & 0xFF, pInfo.IP, pInfo.IZ});
}

} // namespace zev
