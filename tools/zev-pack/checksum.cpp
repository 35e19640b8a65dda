#include "tools/zev-pack/checksum.h"

#include "datafiles/bootloader_image.h"
#include "datafiles/package_check.h"

#include <exception>

namespace zev::pack {

std::optional<TChecksumChange> SetChecksum(ABytes& payload) {
    TLormanBootLoaderHexDataFile image;
    image.SetInfo(kPackageFlashLimit, kPackageEepromLimit);
    TChecksumChange change;
    std::size_t at = 0;
    try {
        image.BytesFrom(payload);
        const TLormanBootLoaderInfo info = image.BootLoaderInfo();
        change.before = info.CS;
        change.ep = info.EP;
        change.after = image.CheckSumm();
        // CS is the record's second word: data index I + 2 of the flash block, after the
        // block table in the payload.
        const TDataBlock& flash = image.Blocks()[static_cast<std::size_t>(info.BL)];
        at = payload.size() - image.Data().size() + flash.I + 2;
    } catch (const std::exception&) {
        return std::nullopt;
    }
    payload[at] = static_cast<std::uint8_t>(change.after);
    payload[at + 1] = static_cast<std::uint8_t>(change.after >> 8);
    return change;
}

} // namespace zev::pack
