#include "datafiles/package_check.h"

#include "core/error.h"
#include "datafiles/data_errors.h"

#include <algorithm>
#include <vector>

namespace zev {

namespace {

// True when the flash and EEPROM blocks cover the data exactly: every data byte belongs to one
// of them, no other block holds data, and no block reaches past the data. The checksum covers
// the flash words only; a block table that lost its agreement with the data (a cut payload, a
// changed index, length or address) would otherwise hand out lines that no check has seen, or
// leave data unwritten.
bool BlocksTileData(const TLormanBootLoaderHexDataFile& pImage) {
    const auto flash = pImage.FlashBlock();
    const auto eeprom = pImage.EepromBlock();
    std::vector<TDataBlock> blocks;
    for (std::size_t k = 0; k < pImage.Blocks().size(); ++k) {
        const TDataBlock& b = pImage.Blocks()[k];
        if (b.L == 0) continue;
        if (k != flash && k != eeprom) return false;
        blocks.push_back(b);
    }
    std::sort(blocks.begin(), blocks.end(),
              [](const TDataBlock& a, const TDataBlock& b) { return a.I < b.I; });
    std::uint64_t end = 0;
    for (const TDataBlock& b : blocks) {
        if (b.I != end) return false;
        end = std::uint64_t{b.I} + b.L;
    }
    return end == pImage.Data().size();
}

// True when every EEPROM line fits the one-byte address; a line past it would be sent with the
// low byte of its address and overwrite the EEPROM from 0x00.
bool EepromFitsItsAddress(const ALormanBootLoaderDataLines& pEeprom) {
    for (const TLormanBootLoaderDataLine& line : pEeprom)
        if (line.A + line.D.size() > kPackageEepromBytes) return false;
    return true;
}

// The device addresses that the flash lines write: from the flash block's address, one whole
// line after the other (no flash block: none).
struct TWrittenFlash {
    std::uint64_t first = 0;
    std::uint64_t end = 0;
};

TWrittenFlash WrittenFlash(const TLormanBootLoaderHexDataFile& pImage,
                           const ALormanBootLoaderDataLines& pFlash) {
    const auto flash = pImage.FlashBlock();
    if (!flash) return {};
    const std::uint64_t first = pImage.Blocks()[*flash].A;
    return {first, first + std::uint64_t{pFlash.size()} * kFlashLineSize};
}

// True when the program's last word (EP) is part of a whole flash line, so that what the
// checksum covers is written. An EP before the program's first word covers nothing and is no
// reason to refuse.
bool EpIsWritten(const TWrittenFlash& pWritten, const TLormanBootLoaderInfo& pInfo) {
    const std::uint64_t epByte = 2u * std::uint64_t{pInfo.EP};
    if (epByte < pWritten.first + 4) return true;
    return epByte + 2 <= pWritten.end;
}

} // namespace

void CheckPackage(const ABytes& payload, TCheckedPackage& result) {
    result = TCheckedPackage{};
    result.image.SetInfo(kPackageFlashLimit, kPackageEepromLimit);
    result.image.BytesFrom(payload);
    result.parsed = true;
    if (result.image.Data().empty()) Raise(kErrNoData);

    result.info = result.image.BootLoaderInfo();
    result.infoRead = true;
    result.checksumInData = result.image.CheckSummInData();
    result.checksum = result.image.CheckSumm();
    if (result.checksum != result.info.CS) Raise(kErrChecksum);

    // The lines are cut now, so that an odd EEPROM block fails before any device is touched.
    result.flash = result.image.GetFlash();
    result.eeprom = result.image.GetEEPROM();

    if (!BlocksTileData(result.image)) Raise(kErrBlockTableShort);
    if (!EepromFitsItsAddress(result.eeprom)) Raise(kErrEepromTooLarge);
    // Flash lines past 0xFFFF would wrap their 16-bit address into the boot area.
    const TWrittenFlash written = WrittenFlash(result.image, result.flash);
    if (written.end > kPackageFlashLimit) Raise(kErrFlashWraps);
    if (!EpIsWritten(written, result.info)) Raise(kErrEpNotWritten);
    result.linesCut = true;
}

TCheckedPackage CheckPackage(const ABytes& payload) {
    TCheckedPackage result;
    CheckPackage(payload, result);
    return result;
}

} // namespace zev
