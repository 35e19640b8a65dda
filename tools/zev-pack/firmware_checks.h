#pragma once
// The firmware's images against the part the publisher described: a flash image that does not
// begin with the information record, an EP past the flash data, data where classic mid-range
// parts keep their configuration and EEPROM, EEPROM cells nobody gave a value. Each would make
// an updater that writes the wrong cells and reports success.

#include "tools/zev-pack/hex_input.h"
#include "tools/zev-pack/part_layout.h"

#include <string>
#include <vector>

namespace zev::pack {

// One line per mistake, naming the addresses, where they came from (FILE:LINE) and how to say
// what is meant; empty when the images fit the layout. EEPROM cells without data count only
// when the layout gives no fill value.
std::vector<std::string> FirmwareProblems(const TFirmwareImages& images, const TPartLayout& layout);

// Raises one error listing the problems, when there are any.
void RefuseFirmwareProblems(const TFirmwareImages& images, const TPartLayout& layout);

// Writes value into every EEPROM cell no data gives (the low byte of its word; the high byte
// stays 0x00) and returns a line telling which cells got it.
std::vector<std::string> FillEepromCells(TFirmwareImages& images, std::uint8_t value);

} // namespace zev::pack
