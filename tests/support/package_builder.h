#pragma once
// Synthetic update packages for tests. The building itself is the library's
// (datafiles/package_builder.h, also used by zev-pack); this adds the shapes tests keep asking
// for. Header only, so any test executable can include it without a CMake change.

#include "datafiles/hex_data_file.h"
#include "datafiles/package_builder.h"
#include "datafiles/package_trailer.h"

#include <initializer_list>

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

// An executable image: program bytes followed by the package and its trailer.
inline ABytes ExecutableWithPackage(const ABytes& payload, std::size_t programSize = 4096) {
    ABytes program(programSize);
    for (std::size_t k = 0; k < program.size(); ++k) program[k] = static_cast<std::uint8_t>(k * 7);
    return AppendPackage(program, payload);
}

} // namespace zev::test
