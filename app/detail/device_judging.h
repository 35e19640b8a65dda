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

// Text 7 of the text table for the device, UTF-8: name, identifier, version, variant, board
// revision. Zero bytes of the name are left out, the rest is decoded from Windows-1251.
std::string DeviceRowText(const TLormanBootLoaderDevID& pDevID);

// Text 3 for the package: the window title.
std::string PackageTitle(const TLormanBootLoaderInfo& pInfo);

} // namespace zev
