#pragma once
// Firmware Intel HEX files for a package, read with the program's own reader and refused when
// the reader would lose or misplace data.

#include "datafiles/abytes.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zev::pack {

// One block the reader made: where it came from, its device address and its bytes.
struct THexSegment {
    std::string source; // "FILE:LINE" of the block's first data record
    std::uint32_t address = 0;
    ABytes bytes;
};

struct THexInput {
    std::vector<THexSegment> segments;
    std::vector<std::string> warnings;
};

// Reads one file with the flash and EEPROM limits of the updater and adds its blocks to input.
// Raises one error listing every line that would lose data: records that go backwards or
// overlap within a block, lines that do not parse, records outside the limits or below their
// block, address records without two bytes, and a missing end-of-file record.
void ReadHexInput(const std::filesystem::path& path, THexInput& input);

// The flash and EEPROM images of a package, each made of the segments of its kind in address
// order with gaps filled with 0x00 (as the reader fills gaps inside a block).
struct TFirmwareImages {
    std::uint32_t flashAddress = 0;
    ABytes flash;
    std::uint32_t eepromAddress = 0;
    ABytes eeprom;
};

// Raises when segments overlap, when data lies at the flash limit, or when there is no flash
// data.
TFirmwareImages MergeSegments(const THexInput& input);

} // namespace zev::pack
