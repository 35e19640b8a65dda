#pragma once
// How the window shows and judges a found device against the update package.

#include "bootloader/dev_id.h"
#include "datafiles/bootloader_image.h"

#include <cstdint>
#include <string>

namespace zev {

// The row state of a device for the package: -1 when the device's installed program is of
// another type, variant or board revision (update not supported), 0 when its version is the
// package's or newer (update not required), 1 when it is older (to be updated).
std::int32_t JudgeDevice(const TLormanBootLoaderDevID& pDevID, const TLormanBootLoaderInfo& pInfo);

// The device memory a package writes, as byte addresses and sizes: its flash lines from
// flashFirst (the information record's address) to flashLast, and eepromBytes EEPROM cells from
// cell 0.
struct TPackageMemory {
    std::uint32_t flashFirst = 0;
    std::uint32_t flashLast = 0; // below flashFirst when there are no flash lines
    std::uint32_t eepromBytes = 0;
};

// What the package of a checked image writes.
TPackageMemory PackageMemory(const TLormanBootLoaderHexDataFile& pImage);

// True when the device's own account of its memory takes the package where it is meant: its
// information record at the package's first flash byte (dAdressInf), its flash reaching the
// package's last flash byte (dAdressMax), and EEPROM for every EEPROM byte the package writes
// (dEepromMax). Written anywhere else, the package would overwrite the wrong cells.
bool MemoryFits(const TLormanBootLoaderDevID& pDevID, const TPackageMemory& pMemory);

// As above, and -1 as well for a device whose memory does not take the package.
std::int32_t JudgeDevice(const TLormanBootLoaderDevID& pDevID, const TLormanBootLoaderInfo& pInfo,
                         const TPackageMemory& pMemory);

// Text 7 of the text table for the device, UTF-8: name, identifier, version, variant, board
// revision. Zero bytes of the name are left out, the rest is decoded from Windows-1251.
std::string DeviceRowText(const TLormanBootLoaderDevID& pDevID);

// Text 3 for the package: the window title.
std::string PackageTitle(const TLormanBootLoaderInfo& pInfo);

} // namespace zev
