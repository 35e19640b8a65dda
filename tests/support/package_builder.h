#pragma once
// Synthetic update packages for tests. The building itself is the library's
// (datafiles/package_builder.h, also used by zev-pack); this adds the shapes tests keep asking
// for. Header only, so any test executable can include it without a CMake change.

#include "datafiles/hex_data_file.h"
#include "datafiles/package_builder.h"
#include "datafiles/package_trailer.h"

#include <initializer_list>
#include <vector>

namespace zev::test {

// The package layout: flash 0x7C00 bytes at 0x400 (record first, EP the last word, CS correct),
// EEPROM 0x200 bytes at 0x1E000. Change any field of demo for other versions or devices.
inline ABytes PackagePayload(const TDemoFirmware& demo = {}) {
    return MakeDemoPayload(demo);
}

// A block container of the given blocks and data, with no checks at all.
inline ABytes Container(std::initializer_list<TDataBlock> blocks, const ABytes& data) {
    ABytes table = ABytesFromWords({static_cast<std::uint16_t>(blocks.size())});
    for (const TDataBlock& b : blocks)
        table = ABytesConcat(table, ABytesFromLongs({b.A, b.I, b.L}));
    return ABytesConcat(table, data);
}

// The payload with the record's CS changed so that the start-up check fails with "0x0304".
inline ABytes PackageWithWrongChecksum(const TDemoFirmware& demo = {}) {
    ABytes payload = MakeDemoPayload(demo);
    const std::size_t cs = 2 + 12 * 2 + 2; // block table of two, then EP
    payload[cs] ^= 0x01;
    return payload;
}

// Packages that pass the container, record and checksum tests but that the bootloader would take
// wrongly, each with the code the start-up check gives it; built outside zev-pack, whose build
// refuses them.
struct TMiswrittenPackage {
    const char* what;
    ABytes payload;
    const char* code;
};

inline std::vector<TMiswrittenPackage> MiswrittenPackages() {
    TDemoFirmware eeprom; // 257 EEPROM bytes: the line at 0x100 would overwrite 0x00
    eeprom.flashSize = 0x100;
    eeprom.eepromSize = 0x202;
    TDemoFirmware wraps; // lines at 0xFFC0 and 0x10000: the second would go to 0x0000
    wraps.flashAddress = 0xFFC0;
    wraps.flashSize = 128;
    TDemoFirmware tail; // 32 bytes past the last whole line, EP the last word among them
    tail.flashSize = 0x120;
    return {
        {"EEPROM image of 257 bytes", MakeDemoPayload(eeprom), "0x0311"},
        {"flash lines past 0xFFFF", MakeDemoPayload(wraps), "0x0312"},
        {"EP in the flash tail no line carries", MakeDemoPayload(tail), "0x0313"},
    };
}

// The demo package with its EEPROM block's length one byte short of its data (odd): the odd
// block is the first fault, "0x0307", before the data left outside the blocks.
inline ABytes EepromOneByteShortPayload(const TDemoFirmware& demo = {}) {
    ABytes payload = MakeDemoPayload(demo);
    const std::size_t length = 2 + 12 + 8; // block 1's L
    const std::uint32_t l = ABytesGetLong(payload, static_cast<std::int32_t>(length)) - 1;
    for (std::size_t k = 0; k < 4; ++k)
        payload[length + k] = static_cast<std::uint8_t>(l >> (8 * k));
    return payload;
}

// An executable image: program bytes followed by the package and its trailer.
inline ABytes ExecutableWithPackage(const ABytes& payload, std::size_t programSize = 4096) {
    ABytes program(programSize);
    for (std::size_t k = 0; k < program.size(); ++k) program[k] = static_cast<std::uint8_t>(k * 7);
    return AppendPackage(program, payload);
}

} // namespace zev::test
