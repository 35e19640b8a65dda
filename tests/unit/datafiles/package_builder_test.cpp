#include "datafiles/intel_hex_writer.h"
#include "datafiles/package_builder.h"
#include "datafiles/package_check.h"
#include "support/temp_file.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

TEST(PackageBuilder, DemoPackageHasThePackageLayout) {
    const ABytes payload = MakeDemoPayload({});
    ASSERT_EQ(payload.size(), 32282u);
    THexDataFile file;
    file.BytesFrom(payload);
    EXPECT_EQ(file.Blocks(), (ADataBlocks{{0x400, 0, 0x7C00}, {0x1E000, 0x7C00, 0x200}}));
    for (std::size_t k = 0x7C00 + 1; k < 0x7E00; k += 2) ASSERT_EQ(file.Data()[k], 0) << k;
    EXPECT_EQ(MakeDemoPayload({}), payload) << "deterministic";
}

TEST(PackageBuilder, ChecksumOfASmallImageByHand) {
    // Flash at 0x400 (word 0x200), one 64-byte line; EP = word 0x203 covers words 2 and 3.
    ABytes flash(64, 0);
    TLormanBootLoaderInfo info;
    info.EP = 0x203;
    PutInfoRecord(flash, info);
    flash[4] = 0x34; // word 2 = VP
    flash[5] = 0x12;
    flash[6] = 0x01; // word 3 = TD
    flash[7] = 0x00;
    EXPECT_EQ(FlashCheckSumm(flash, 0x400, 0x203), (0x10000 - 0x1235) & 0x3FFF);
    SealFlashImage(flash, 0x400);
    EXPECT_EQ(ABytesGetWord(flash, 2), (0x10000 - 0x1235) & 0x3FFF);
    const auto package = CheckPackage(MakePackagePayload(0x400, flash, 0x1E000, {}));
    EXPECT_EQ(package.info.CS, package.checksum);
}

TEST(PackageBuilder, IntelHexTextReadsBackToTheSamePackage) {
    const ABytes payload = MakeDemoPayload({});
    THexDataFile source;
    source.BytesFrom(payload);
    const std::string text = IntelHexText(source.Blocks(), source.Data());
    EXPECT_EQ(text.substr(0, 9), ":10040000");
    EXPECT_NE(text.find(":020000040001F9\r\n:10E00000"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 13), ":00000001FF\r\n");

    THexDataFile back;
    back.SetInfo(kPackageFlashLimit, kPackageEepromLimit);
    back.Load(test::WriteScratchFile("demo.hex", text));
    EXPECT_EQ(back.BytesTo(), payload);

    // Record sizes other than 16, and a block across a 64 KiB boundary.
    const ABytes data(0x40, 0x5A);
    const std::string across = IntelHexText({{0xFFF0, 0, 0x40}}, data, 32);
    back.Load(test::WriteScratchFile("across.hex", across));
    EXPECT_EQ(back.Blocks(), (ADataBlocks{{0xFFF0, 0, 0x10}, {0x10000, 0x10, 0x30}}));
    EXPECT_EQ(back.Data(), data);
}

} // namespace
} // namespace zev
