// The start-up check refuses a package whose block table no longer agrees with its data: the
// checksum covers only the flash words up to EP, so a cut payload or a changed block index or
// length would otherwise pass and hand out lines nobody checked.

#include "core/error.h"
#include "datafiles/package_check.h"
#include "support/package_builder.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

std::string CheckCode(const ABytes& payload) {
    try {
        CheckPackage(payload);
    } catch (const Error& e) {
        return e.what();
    }
    return "ok";
}

// Sets the 32-bit field of block k (0 A, 4 I, 8 L) in a payload.
ABytes WithField(ABytes payload, std::size_t block, std::size_t field, std::uint32_t value) {
    const std::size_t at = 2 + 12 * block + field;
    for (std::size_t k = 0; k < 4; ++k)
        payload[at + k] = static_cast<std::uint8_t>(value >> (8 * k));
    return payload;
}

TEST(PackageLayout, BlocksMustCoverTheDataExactly) {
    const ABytes sound = test::PackagePayload(); // flash 0x7C00 at index 0, EEPROM 0x200 after
    struct Case {
        ABytes payload;
        const char* code;
        const char* why;
    };
    const Case cases[] = {
        {sound, "ok", "the demo package"},
        {ABytes(sound.begin(), sound.end() - 2), "0x0302", "payload cut inside the EEPROM"},
        {ABytes(sound.begin(), sound.end() - 64), "0x0302", "EEPROM cut by 64 bytes"},
        {WithField(sound, 0, 8, 0x7C40), "0x0302", "flash block runs into the EEPROM"},
        {WithField(sound, 0, 8, 0x7B00), "0x0302", "flash block shorter than its data"},
        {WithField(sound, 1, 4, 0x7B00), "0x0302", "EEPROM block inside the flash data"},
        {WithField(sound, 1, 8, 0x100), "0x0302", "EEPROM block shorter than its data"},
        {WithField(sound, 1, 8, 0x400), "0x0302", "EEPROM block past the data"},
        {WithField(sound, 1, 0, 0x1F000), "ok", "another EEPROM address: the same lines"},
        {WithField(sound, 1, 0, 0x10000), "0x0302", "EEPROM block at the flash limit: unused"},
        {WithField(sound, 1, 0, 0xE000), "0x0302", "EEPROM block moved below the limit"},
        {ABytesConcat(sound, {0, 0}), "0x0302", "bytes after the last block"},
        // The earlier steps keep their codes.
        {test::PackageWithWrongChecksum(), "0x0304", "checksum first"},
        {test::Container({{0x1E000, 0, 64}}, ABytes(64, 0)), "0x0306", "no flash block"},
    };
    for (const Case& c : cases) EXPECT_EQ(CheckCode(c.payload), c.code) << c.why;
}

TEST(PackageLayout, EmptyBlocksDoNotMatter) {
    TDemoFirmware demo;
    demo.flashSize = 128;
    demo.eepromSize = 4;
    const ABytes flash = MakeDemoFlash(demo);
    const ABytes eeprom = MakeDemoEeprom(demo);
    const ABytes data = ABytesConcat(flash, eeprom);
    // An empty block after the two, as the Intel HEX reader leaves one.
    EXPECT_EQ(
        CheckCode(test::Container({{0x400, 0, 128}, {0x1E000, 128, 4}, {0x1F000, 132, 0}}, data)),
        "ok");
    // Listed before the EEPROM data, the empty block is the one the EEPROM lines come from and
    // the EEPROM data would never be written.
    EXPECT_EQ(
        CheckCode(test::Container({{0x400, 0, 128}, {0x1F000, 128, 0}, {0x1E000, 128, 4}}, data)),
        "0x0302");
    // A third block with data is never written either.
    EXPECT_EQ(
        CheckCode(test::Container({{0x400, 0, 64}, {0x1E000, 128, 4}, {0x500, 64, 64}}, data)),
        "0x0302");
}

} // namespace
} // namespace zev
