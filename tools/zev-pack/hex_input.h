#pragma once
// Firmware Intel HEX files for a package, read with the program's own reader and refused when
// the reader would lose or misplace data; then sorted into what the bootloader writes (flash and
// EEPROM) and what it does not (configuration words, user IDs and the like).

#include "datafiles/abytes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zev::pack {

// Data records that follow each other without a gap: where they came from, their device
// address and their bytes as the reader holds them.
struct THexSegment {
    std::string source; // "FILE:LINE" of the first record
    std::uint32_t address = 0;
    ABytes bytes;
};

struct THexInput {
    std::vector<THexSegment> segments;
};

// Reads one file (its name in UTF-8) with the flash and EEPROM limits of the updater and adds
// its data to input; a UTF-8 byte-order mark at its start is skipped. Raises one error listing
// every line that would lose data: records that go backwards or overlap within a block, lines
// that do not parse, records outside the limits or below their block, address records without
// two bytes, a missing end-of-file record, and text after the end-of-file record (the reader
// stops there).
void ReadHexInput(const std::string& name, THexInput& input);

// The byte address where the package's EEPROM image begins: the updater writes the image's
// first byte to EEPROM address 0.
inline constexpr std::uint32_t kPackageEepromAddress = 0x1E000;

// A range of device addresses, both ends included.
struct TAddressRange {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::string source; // "FILE:LINE" where its data begins; empty for padding
    std::uint64_t Size() const { return std::uint64_t{last} - first + 1; }
};

// The flash and EEPROM images of a package and what was left out or added to make them.
struct TFirmwareImages {
    std::uint32_t flashAddress = 0;
    ABytes flash; // from its first data byte, gaps 0x00, ended with 0xFF to a whole line
    std::vector<TAddressRange> flashRuns; // the flash data as unbroken runs, rising
    std::uint32_t eepromAddress = 0;
    ABytes eeprom; // from eepromAddress, gaps 0x00; empty when there is no EEPROM data
    std::vector<TAddressRange> leftOut;        // data from the flash limit to eepromAddress
    std::optional<TAddressRange> flashPadding; // the 0xFF bytes that end the flash image
    std::vector<TAddressRange> eepromGaps;     // bytes of the EEPROM image no data gives
};

// Flash is the data below flashLimit, EEPROM the data from eepromAddress on; the data in
// between is not written by the bootloader and is only listed. Raises when data overlaps or
// when there is no flash data.
TFirmwareImages MergeSegments(const THexInput& input, std::uint32_t flashLimit,
                              std::uint32_t eepromAddress);

} // namespace zev::pack
