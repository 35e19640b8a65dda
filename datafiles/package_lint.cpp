#include "datafiles/package_lint.h"

#include "core/format.h"

namespace zev {

namespace {

void Add(APackageFindings& findings, bool error, const std::string& text) {
    findings.push_back({error, text});
}

} // namespace

APackageFindings LintPackage(const TCheckedPackage& package) {
    APackageFindings findings;
    const auto& image = package.image;
    const auto flashIndex = image.FlashBlock();
    if (!package.linesCut || !flashIndex) {
        Add(findings, true, "the package did not pass its check");
        return findings;
    }
    const TDataBlock flash = image.Blocks()[*flashIndex];
    const std::uint64_t flashBytes = BlockBytes(image.Data(), flash).size();
    const std::uint64_t written = flashBytes / kFlashLineSize * kFlashLineSize;

    if (*flashIndex != 0 || flash.I != 0)
        Add(findings, true,
            "the flash block is not the first block at data index 0: the checksum would not "
            "cover the flash image");
    if (flash.A % 2 != 0)
        Add(findings, true, Format("the flash block starts at the odd address 0x%x", {flash.A}));
    if (flash.A % kFlashLineSize != 0)
        Add(findings, false,
            Format("the flash block address 0x%x is not a multiple of 64: lines are not page "
                   "aligned",
                   {flash.A}));
    if (flashBytes != written)
        Add(findings, false,
            Format("the flash block's last %d bytes (from 0x%x) do not fill a 64-byte line and "
                   "are not written",
                   {static_cast<std::uint64_t>(flashBytes - written),
                    static_cast<std::uint64_t>(flash.A + written)}));

    // The check refuses an EP that no whole line carries; one before the program's first word
    // passes it but covers nothing.
    if (2u * std::uint64_t{package.info.EP} < std::uint64_t{flash.A} + 4)
        Add(findings, false,
            Format("EP 0x%x lies before the program's first word: the checksum covers nothing",
                   {package.info.EP}));

    const auto eepromIndex = image.EepromBlock();
    if (!eepromIndex) {
        Add(findings, false, "no EEPROM block: no EEPROM lines are written");
    } else {
        const ABytes eeprom = BlockBytes(image.Data(), image.Blocks()[*eepromIndex]);
        bool highBytes = false;
        for (std::size_t k = 1; k < eeprom.size(); k += 2) highBytes = highBytes || eeprom[k] != 0;
        if (highBytes)
            Add(findings, false,
                "the EEPROM block has non-zero high bytes: only the low byte of each word is "
                "written");
    }
    // Only the first flash block and the first EEPROM block are written.
    for (std::size_t k = 0; k < image.Blocks().size(); ++k) {
        if (k == *flashIndex || (eepromIndex && k == *eepromIndex)) continue;
        const TDataBlock& block = image.Blocks()[k];
        if (BlockBytes(image.Data(), block).empty()) continue;
        Add(findings, true,
            Format("block %d (address 0x%x, %d bytes) is never written",
                   {static_cast<std::uint64_t>(k), block.A, block.L}));
    }
    return findings;
}

} // namespace zev
