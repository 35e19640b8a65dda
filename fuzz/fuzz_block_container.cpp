// The block container and the firmware image built on it, from any bytes: BytesFrom, the
// information record, the checksum, the flash and EEPROM lines, and the start-up check that
// runs them in order. Every failure must be one of the image's codes, never a crash or an
// allocation that the input's size does not justify.

#include "datafiles/bootloader_image.h"
#include "datafiles/data_errors.h"
#include "datafiles/package_check.h"
#include "fuzz/fuzz_support.h"

#include <cstddef>
#include <cstdint>

using namespace zev;
using zev::fuzz::Expect;
using zev::fuzz::ExpectCode;

namespace {

void CheckLines(const TLormanBootLoaderHexDataFile& image) {
    const ALormanBootLoaderDataLines flash = image.GetFlash();
    for (std::size_t k = 0; k < flash.size(); ++k) {
        Expect(flash[k].D.size() == kFlashLineSize, "a flash line is not 64 bytes");
        if (k > 0)
            Expect(static_cast<std::uint16_t>(flash[k - 1].A + kFlashLineSize) == flash[k].A,
                   "flash lines are not 64 bytes apart");
    }
    try {
        const ALormanBootLoaderDataLines eeprom = image.GetEEPROM();
        for (std::size_t k = 0; k < eeprom.size(); ++k) {
            Expect(!eeprom[k].D.empty() && eeprom[k].D.size() <= kEepromLineSize,
                   "an EEPROM line is empty or longer than 32 bytes");
            Expect(eeprom[k].A == 32 * k, "EEPROM lines are not addressed from 0 in steps of 32");
            if (k + 1 < eeprom.size())
                Expect(eeprom[k].D.size() == kEepromLineSize,
                       "a short EEPROM line before the last");
        }
    } catch (const Error& e) {
        ExpectCode(e, {kErrEepromOdd}, "GetEEPROM");
    }
}

void CheckImage(const TLormanBootLoaderHexDataFile& image) {
    try {
        const TLormanBootLoaderInfo info = image.BootLoaderInfo();
        Expect(info.TX.size() <= 10, "the device name is longer than ten characters");
        Expect(info.TX.find('\0') == std::string::npos, "the device name holds a zero byte");
        const std::uint16_t sum = image.CheckSumm();
        // A checksum whose words are not all inside the data never matches the record.
        if (image.CheckSummInData())
            Expect(sum <= 0x3FFF, "the checksum has more than 14 bits");
        else
            Expect(sum != info.CS, "a checksum past the data matches");
    } catch (const Error& e) {
        ExpectCode(e, {kErrNoInfoRecord}, "BootLoaderInfo/CheckSumm");
    }
    CheckLines(image);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ABytes input(data, data + size);

    TLormanBootLoaderHexDataFile image;
    image.SetInfo(kPackageFlashLimit, kPackageEepromLimit);
    try {
        image.BytesFrom(input);
    } catch (const Error& e) {
        ExpectCode(e, {kErrContainerShort, kErrBlockTableShort}, "BytesFrom");
        Expect(image.Blocks().empty() && image.Data().empty(),
               "a failed BytesFrom changed the image");
        return 0;
    }
    Expect(image.BytesTo() == input, "BytesTo does not give back the container");
    CheckImage(image);

    // The start-up check runs the same steps and must agree with them.
    TCheckedPackage checked;
    try {
        CheckPackage(input, checked);
        Expect(checked.linesCut, "a passed check has no lines");
        Expect(checked.checksum == checked.info.CS, "a passed check with a wrong checksum");
        Expect(checked.checksumInData, "a passed check whose checksum reads past the data");
    } catch (const Error& e) {
        ExpectCode(e,
                   {kErrNoData, kErrNoInfoRecord, kErrChecksum, kErrBlockTableShort, kErrEepromOdd,
                    kErrEepromTooLarge, kErrFlashWraps, kErrEpNotWritten},
                   "CheckPackage");
        Expect(!checked.linesCut, "a failed check cut its lines");
    }
    return 0;
}
