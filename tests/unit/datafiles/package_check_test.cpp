#include "core/error.h"
#include "datafiles/package_builder.h"
#include "datafiles/package_check.h"
#include "support/package_builder.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

std::string CheckCode(const ABytes& payload, TCheckedPackage& result) {
    try {
        CheckPackage(payload, result);
    } catch (const Error& e) {
        return e.what();
    }
    return "ok";
}

TEST(PackageCheck, SoundPackagePassesWithItsLines) {
    const TCheckedPackage package = CheckPackage(test::PackagePayload());
    EXPECT_TRUE(package.linesCut);
    EXPECT_EQ(package.info.TX, "ZEV-DEMO");
    EXPECT_EQ(package.checksum, package.info.CS);
    EXPECT_EQ(package.flash.size(), 496u);
    EXPECT_EQ(package.eeprom.size(), 8u);
    EXPECT_EQ(package.image.Flash(), 0x10000u);
    EXPECT_EQ(package.image.EEPROM(), 0x20000u);
}

TEST(PackageCheck, EachStepFailsWithItsCode) {
    ABytes shortFlash = test::Container({{0x400, 0, 31}, {0x1E000, 31, 2}}, ABytes(64, 1));

    TDemoFirmware oddEeprom;
    oddEeprom.eepromSize = 0x1FF;

    ABytes epBeyond = test::PackagePayload();
    // EP := 0x7FFF (byte 0xFFFE), far past the flash image: the record sits after the table.
    epBeyond[2 + 24] = 0xFF;
    epBeyond[2 + 24 + 1] = 0x7F;

    struct Case {
        ABytes payload;
        const char* code;
        const char* why;
    };
    const Case cases[] = {
        {{}, "0x0301", "no package"},
        {{0x02}, "0x0301", "one byte"},
        {{0x01, 0x00, 1, 2, 3}, "0x0302", "short block table"},
        {{0x00, 0x00}, "0x0303", "no blocks, no data"},
        {test::Container({{0x400, 0, 64}}, {}), "0x0303", "blocks without data"},
        {shortFlash, "0x0306", "31-byte flash block"},
        {test::Container({{0x1E000, 0, 64}}, ABytes(64, 0)), "0x0306", "no flash block"},
        {test::PackageWithWrongChecksum(), "0x0304", "checksum"},
        {epBeyond, "0x0304", "EP beyond the data"},
        {test::PackagePayload(oddEeprom), "0x0307", "odd EEPROM block"},
    };
    for (const Case& c : cases) {
        TCheckedPackage result;
        EXPECT_EQ(CheckCode(c.payload, result), c.code) << c.why;
        EXPECT_FALSE(result.linesCut) << c.why;
    }
}

// Each passes the container, record and checksum tests; written, each would change the device
// in a place the package does not mean: EEPROM from 0x00 again, the boot area, or a program
// without its last word.
TEST(PackageCheck, ImagesTheBootloaderWouldTakeWronglyAreRefused) {
    for (const auto& c : test::MiswrittenPackages()) {
        TCheckedPackage result;
        EXPECT_EQ(CheckCode(c.payload, result), c.code) << c.what;
        EXPECT_FALSE(result.linesCut) << c.what;
        EXPECT_TRUE(result.infoRead) << c.what << ": the title shows the record";
    }
    // At each limit: exactly 256 EEPROM bytes, lines ending at 0xFFFF, EP the last word of the
    // last whole line (a tail after it that no line carries is only not written).
    TDemoFirmware eeprom;
    eeprom.flashSize = 0x100;
    eeprom.eepromSize = 0x200;
    TDemoFirmware top;
    top.flashAddress = 0xFF80;
    top.flashSize = 128;
    TDemoFirmware tail;
    tail.flashSize = 0x120;
    // EP := the last word of line 3 (byte 0x4FE), the tail's 32 bytes after it; CS follows.
    ABytes flash = MakeDemoFlash(tail);
    flash[0] = 0x7F;
    flash[1] = 0x02;
    SealFlashImage(flash, tail.flashAddress);
    const ABytes epLastLine =
        MakePackagePayload(tail.flashAddress, flash, tail.eepromAddress, MakeDemoEeprom(tail));
    for (const ABytes& payload : {MakeDemoPayload(eeprom), MakeDemoPayload(top), epLastLine}) {
        TCheckedPackage result;
        EXPECT_EQ(CheckCode(payload, result), "ok");
        EXPECT_TRUE(result.linesCut);
    }
}

// The codes of the container, record, checksum and line steps come before the package's own
// checks, whatever else is wrong with the package.
TEST(PackageCheck, SpecifiedStepsComeFirst) {
    TDemoFirmware big;
    big.eepromSize = 0x401; // odd, and more than 256 EEPROM bytes
    TDemoFirmware wraps;
    wraps.flashAddress = 0xFFC0;
    wraps.flashSize = 128;
    wraps.eepromSize = 3;
    struct Case {
        ABytes payload;
        const char* code;
        const char* why;
    };
    const Case cases[] = {
        {test::EepromOneByteShortPayload(), "0x0307", "EEPROM block one byte short of its data"},
        {MakeDemoPayload(big), "0x0307", "odd and too large"},
        {MakeDemoPayload(wraps), "0x0307", "odd EEPROM, flash past 0xFFFF"},
        {test::PackageWithWrongChecksum(wraps), "0x0304", "checksum wrong, flash past 0xFFFF"},
        {ABytesConcat(test::MiswrittenPackages()[0].payload, {0, 0}), "0x0302",
         "bytes after the blocks before the EEPROM size"},
    };
    for (const Case& c : cases) {
        TCheckedPackage result;
        EXPECT_EQ(CheckCode(c.payload, result), c.code) << c.why;
    }
}

TEST(PackageCheck, FailedChecksKeepWhatWasLearned) {
    TCheckedPackage result;
    ASSERT_EQ(CheckCode(test::PackageWithWrongChecksum(), result), "0x0304");
    EXPECT_TRUE(result.infoRead) << "the title shows the package's own record";
    EXPECT_EQ(result.info.TX, "ZEV-DEMO");
    EXPECT_EQ(result.info.VP, 0x0105);
    EXPECT_NE(result.checksum, result.info.CS);
    EXPECT_TRUE(result.checksumInData);

    ASSERT_EQ(CheckCode({0x00, 0x00}, result), "0x0303");
    EXPECT_TRUE(result.parsed);
    EXPECT_FALSE(result.infoRead);
    EXPECT_EQ(result.info, TLormanBootLoaderInfo{}) << "all zero, empty name";

    TDemoFirmware odd;
    odd.eepromSize = 3;
    ASSERT_EQ(CheckCode(test::PackagePayload(odd), result), "0x0307");
    EXPECT_EQ(result.flash.size(), 496u);
    EXPECT_TRUE(result.eeprom.empty());

    // A second check starts from scratch.
    ASSERT_EQ(CheckCode({}, result), "0x0301");
    EXPECT_FALSE(result.parsed);
    EXPECT_TRUE(result.flash.empty());
}

TEST(PackageCheck, OtherVersionsAndSizesFromTheBuilderPass) {
    TDemoFirmware demo;
    demo.name = "\xC4\xE5\xEC\xEE"; // Windows-1251 "Демо"
    demo.version = 0x0A1F;
    demo.type = 0x1234;
    demo.variant = 7;
    demo.revision = 9;
    demo.seed = 99;
    demo.flashSize = 0x100;
    demo.eepromSize = 0;
    const TCheckedPackage package = CheckPackage(test::PackagePayload(demo));
    EXPECT_EQ(package.info.TX, demo.name);
    EXPECT_EQ(package.info.VP, 0x0A1F);
    EXPECT_EQ(package.info.TD, 0x1234);
    EXPECT_EQ(package.info.IP, 7);
    EXPECT_EQ(package.info.IZ, 9);
    EXPECT_EQ(package.flash.size(), 4u);
    EXPECT_TRUE(package.eeprom.empty());
    EXPECT_NE(test::PackagePayload(demo), test::PackagePayload()) << "the seed changes the bytes";
}

} // namespace
} // namespace zev
