#pragma once
// What the publisher says about the part's memory, from the options of zev-pack build: where
// its information record lies, where its flash ends, where its toolchain puts the EEPROM, and
// what the EEPROM cells get that the firmware does not give.

#include "tools/zev-pack/args.h"
#include "tools/zev-pack/hex_input.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zev::pack {

// The byte address of the information record in the standard layout: program word 0x200, the
// first word after the bootloader's.
inline constexpr std::uint32_t kPackageRecordAddress = 0x400;

struct TPartLayout {
    std::uint32_t recordAt = kPackageRecordAddress; // where the flash image must begin
    std::optional<std::uint32_t> flashEnd;          // the part's last flash byte, when given
    std::uint32_t eepromAt = kPackageEepromAddress; // where the toolchain puts the EEPROM image
    std::optional<std::uint8_t> eepromFill;         // for EEPROM cells no data gives

    // Flash is the data below this address.
    std::uint32_t FlashLimit() const;
    // The address the package gives its EEPROM block: eepromAt when the updater takes a block
    // there for EEPROM (above 0x10000), otherwise the standard 0x1E000.
    std::uint32_t PackageEepromAddress() const;
};

// The options of zev-pack build that describe the part; each takes a value.
const std::vector<std::string>& PartLayoutOptionNames();

// True when any of them is given.
bool PartLayoutGiven(const Args& args);

// The layout the options give; a usage error for a value that does not fit the others.
TPartLayout PartLayoutOptions(const Args& args);

} // namespace zev::pack
