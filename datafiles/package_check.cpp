#include "datafiles/package_check.h"

#include "core/error.h"
#include "datafiles/data_errors.h"

namespace zev {

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
    result.linesCut = true;
}

TCheckedPackage CheckPackage(const ABytes& payload) {
    TCheckedPackage result;
    CheckPackage(payload, result);
    return result;
}

} // namespace zev
