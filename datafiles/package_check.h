#pragma once
// The check an update package must pass: the updater runs it at start-up and zev-pack before it
// writes a package, so that what the tool accepts, the updater accepts.

#include "datafiles/abytes.h"
#include "datafiles/bootloader_image.h"

#include <cstdint>

namespace zev {

inline constexpr std::uint32_t kPackageFlashLimit = 0x10000;
inline constexpr std::uint32_t kPackageEepromLimit = 0x20000;

// What the check learned, filled step by step; on a failure the steps before it stay filled
// (the window title shows the record even when only the checksum failed).
struct TCheckedPackage {
    TLormanBootLoaderHexDataFile image; // limits set; filled from the payload
    bool parsed = false;                // the container was read into image
    bool infoRead = false;              // info holds the record
    TLormanBootLoaderInfo info;
    bool checksumInData = false; // the checksummed words all lie inside the data
    std::uint16_t checksum = 0;  // image.CheckSumm()
    bool linesCut = false;       // every step passed; flash and eeprom hold the lines
    ALormanBootLoaderDataLines flash;
    ALormanBootLoaderDataLines eeprom;
};

// The EEPROM command carries a one-byte address: the EEPROM image holds at most 256 bytes.
inline constexpr std::uint32_t kPackageEepromBytes = 0x100;

// Runs the steps in order, raising the code of the first that fails:
//   the container ("0x0301", "0x0302"), data present ("0x0303"), the information record
//   ("0x0306"), the checksum against CS ("0x0304"), the flash and EEPROM lines ("0x0307");
// then what the bootloader would get wrong although all of that holds:
//   the flash and EEPROM blocks covering the data exactly, with no byte outside them, no other
//   block holding data and no block past the end ("0x0302"); an EEPROM image of more than 256
//   bytes ("0x0311"); flash lines past 0xFFFF ("0x0312"); EP's word in no whole flash line
//   ("0x0313"). linesCut is set only when every step passed.
void CheckPackage(const ABytes& payload, TCheckedPackage& result);

// The same, for callers that need nothing from a failed check.
TCheckedPackage CheckPackage(const ABytes& payload);

} // namespace zev
