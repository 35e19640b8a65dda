#pragma once
// Writes what a device received and its memory into a folder: NAME.log, NAME.mem,
// NAME.flash.bin and NAME.eeprom.bin.

#include "tools/zev-devsim/device.h"

#include <string>

namespace zev::devsim {

// Creates pDir if missing; raises an Error naming the file that could not be written.
void DumpDevice(const TDevice& pDevice, const std::string& pDir);

} // namespace zev::devsim
