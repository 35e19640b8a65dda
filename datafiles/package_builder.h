#pragma once
// Building update packages: a firmware image with its information record and checksum, laid
// out the way the updater checks it (the flash block first at data index 0, then the EEPROM
// block). Used by zev-pack for its demo firmware and by the tests for synthetic packages.

#include "datafiles/abytes.h"
#include "datafiles/bootloader_image.h"

#include <cstdint>
#include <string>

namespace zev {

// A deterministic demo firmware: not a program, just bytes that exercise every path.
struct TDemoFirmware {
    std::string name = "ZEV-DEMO"; // TX, 8-bit (Windows-1251), at most 10 bytes are kept
    std::uint16_t version = 0x0105;
    std::uint16_t type = 0x0042;
    std::uint8_t variant = 1;
    std::uint8_t revision = 2;
    std::uint16_t dt = 0;
    std::uint32_t flashAddress = 0x400; // byte address of the flash block
    std::uint32_t flashSize = 0x7C00;   // bytes, even, at least 32
    std::uint32_t eepromAddress = 0x1E000;
    std::uint32_t eepromSize = 0x200; // bytes of the EEPROM block (two per EEPROM byte)
    std::uint32_t seed = 1;           // varies the program and EEPROM bytes
};

// Writes the record's EP, CS, VP, TD, IZ, IP, DT and TX into the first 32 bytes of flash (which
// must hold at least 32 bytes). ID and BL are not part of the image.
void PutInfoRecord(ABytes& flash, const TLormanBootLoaderInfo& info);

// The checksum of a flash image that starts at byte address flashAddress, the way the updater
// computes it for a package whose flash block comes first at data index 0: the 14-bit two's
// complement of the sum of the words from the third one up to the word at ep. Words past the
// end of flash count as 0.
std::uint16_t FlashCheckSumm(const ABytes& flash, std::uint32_t flashAddress, std::uint16_t ep);

// Sets CS in the flash image's record to the image's checksum (EP as the record states it).
void SealFlashImage(ABytes& flash, std::uint32_t flashAddress);

// The block container: the flash block at index 0, then the EEPROM block when eeprom is not
// empty.
ABytes MakePackagePayload(std::uint32_t flashAddress, const ABytes& flash,
                          std::uint32_t eepromAddress, const ABytes& eeprom);

// The demo's flash image: the record at the start, EP the last word, CS correct.
ABytes MakeDemoFlash(const TDemoFirmware& demo);
// The demo's EEPROM block: each EEPROM byte in the low byte of a word, high bytes 0.
ABytes MakeDemoEeprom(const TDemoFirmware& demo);
// MakePackagePayload of the two.
ABytes MakeDemoPayload(const TDemoFirmware& demo);

} // namespace zev
