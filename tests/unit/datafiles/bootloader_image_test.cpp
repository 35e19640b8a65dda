#include "core/error.h"
#include "datafiles/bootloader_image.h"
#include "support/package_builder.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

TLormanBootLoaderHexDataFile Image(const ABytes& container, std::uint32_t flash = 0x10000) {
    TLormanBootLoaderHexDataFile image;
    image.SetInfo(flash, 0x20000);
    image.BytesFrom(container);
    return image;
}

std::string CodeOf(auto&& call) {
    try {
        call();
    } catch (const Error& e) {
        return e.what();
    }
    return "ok";
}

// The 32-byte record: EP, CS, VP, TD, IZ, IP, DT, then ten TX words.
ABytes Record(std::uint16_t ep, std::uint16_t cs, const std::string& tx) {
    ABytes record = ABytesFromWords({ep, cs, 0x0203, 0x0042});
    record.push_back(4);    // IZ
    record.push_back(1);    // IP
    record.push_back(0x99); // DT, low
    record.push_back(0x88);
    for (std::size_t k = 0; k < 10; ++k) {
        record.push_back(k < tx.size() ? static_cast<std::uint8_t>(tx[k]) : 0);
        record.push_back(0xEE); // high bytes are ignored
    }
    return record;
}

TEST(BootLoaderImage, PackageLayoutGivesRecordChecksumAndLines) {
    const TDemoFirmware demo;
    const auto image = Image(test::PackagePayload(demo));
    const TLormanBootLoaderInfo info = image.BootLoaderInfo();
    EXPECT_EQ(info.TX, "ZEV-DEMO");
    EXPECT_EQ(info.VP, 0x0105);
    EXPECT_EQ(info.TD, 0x0042);
    EXPECT_EQ(info.IP, 1);
    EXPECT_EQ(info.IZ, 2);
    EXPECT_EQ(info.EP, 0x3FFF);
    EXPECT_EQ(info.ID, 0u);
    EXPECT_EQ(info.BL, 0);

    // The checksum, worked out here independently: words from byte 4 up to the word at EP.
    std::uint32_t sum = 0;
    for (std::size_t at = 4; at < 0x7C00; at += 2)
        sum += image.Data()[at] + 256u * image.Data()[at + 1];
    EXPECT_EQ((sum + info.CS) % 0x4000, 0u);
    EXPECT_EQ(image.CheckSumm(), info.CS);
    EXPECT_TRUE(image.CheckSummInData());

    const auto flash = image.GetFlash();
    ASSERT_EQ(flash.size(), 496u);
    for (std::size_t k = 0; k < flash.size(); ++k) {
        EXPECT_EQ(flash[k].A, 0x0400 + 64 * k);
        ASSERT_EQ(flash[k].D.size(), 64u);
    }
    EXPECT_EQ(flash.back().A, 0x7FC0);
    EXPECT_EQ(flash[0].D, ABytesCopy(image.Data(), 0, 64));
    EXPECT_EQ(flash[495].D, ABytesCopy(image.Data(), 0x7C00 - 64, 64));

    const auto eeprom = image.GetEEPROM();
    ASSERT_EQ(eeprom.size(), 8u);
    for (std::size_t k = 0; k < eeprom.size(); ++k) {
        EXPECT_EQ(eeprom[k].A, 32 * k);
        ASSERT_EQ(eeprom[k].D.size(), 32u);
        for (std::size_t b = 0; b < 32; ++b)
            EXPECT_EQ(eeprom[k].D[b], image.Data()[0x7C00 + 2 * (32 * k + b)]);
    }
    EXPECT_EQ(eeprom.back().A, 0xE0);
}

TEST(BootLoaderImage, RecordFieldsAndName) {
    const ABytes record = Record(0x1234, 0x0ABC, std::string("A\0B", 3));
    const auto image = Image(test::Container({{0x400, 0, 32}}, record));
    const auto info = image.BootLoaderInfo();
    EXPECT_EQ(info.TX, "AB") << "zero bytes are skipped, not an end";
    EXPECT_EQ(info.EP, 0x1234);
    EXPECT_EQ(info.CS, 0x0ABC);
    EXPECT_EQ(info.VP, 0x0203);
    EXPECT_EQ(info.TD, 0x0042);
    EXPECT_EQ(info.IZ, 4);
    EXPECT_EQ(info.IP, 1);
    EXPECT_EQ(info.DT, 0x8899);

    const std::string cyrillic = "\xCF\xF0\xE8\xE1\xEE\xF0 \xB9 1234567";
    EXPECT_EQ(Image(test::Container({{0, 0, 32}}, Record(0, 0, cyrillic))).BootLoaderInfo().TX,
              cyrillic.substr(0, 10));
}

TEST(BootLoaderImage, RecordNeedsThirtyTwoBytesOfTheFlashBlock) {
    ABytes data = Record(0, 0, "X");
    data.resize(100, 0x11);
    struct Case {
        ABytes container;
        const char* code;
        const char* why;
    };
    const Case cases[] = {
        {test::Container({{0x400, 0, 31}}, data), "0x0306", "31-byte block, more data after it"},
        {test::Container({{0x400, 0, 32}}, ABytesCopy(data, 0, 31)), "0x0306", "data ends early"},
        {test::Container({{0x10000, 0, 32}}, data), "0x0306", "block at the limit: not flash"},
        {test::Container({{0x1E000, 0, 32}}, data), "0x0306", "EEPROM only"},
        {test::Container({}, data), "0x0306", "no blocks"},
        {test::Container({{0x400, 200, 32}}, data), "0x0306", "block past the data"},
        {test::Container({{0x400, 0xFFFFFFF0, 32}}, data), "0x0306", "index near 2^32"},
        {test::Container({{0x400, 0, 32}}, data), "ok", "exactly 32"},
        {test::Container({{0x1E000, 0, 32}, {0x400, 0, 32}}, data), "ok", "second block"},
    };
    for (const Case& c : cases) {
        const auto image = Image(c.container);
        EXPECT_EQ(CodeOf([&] { image.BootLoaderInfo(); }), c.code) << c.why;
        EXPECT_EQ(CodeOf([&] { image.CheckSumm(); }), c.code) << c.why;
    }
    EXPECT_EQ(Image(test::Container({{0x1E000, 0, 32}, {0x400, 0, 32}}, data)).BootLoaderInfo().BL,
              1);
    EXPECT_TRUE(Image(test::Container({{0x400, 0, 31}}, data)).GetFlash().empty());
}

TEST(BootLoaderImage, ChecksumEdgeValues) {
    // Block at 0x400 is word 0x200: EP 0x201 adds no word.
    ABytes data = Record(0x201, 0, "");
    data.resize(64, 0);
    EXPECT_EQ(Image(test::Container({{0x400, 0, 64}}, data)).CheckSumm(), 0);
    // Words summing to 1 give 0x3FFF.
    data = Record(0x203, 0, "");
    data.resize(64, 0);
    data[6] = 0x01;
    data[7] = 0x00;
    data[4] = 0;
    data[5] = 0;
    EXPECT_EQ(Image(test::Container({{0x400, 0, 64}}, data)).CheckSumm(), 0x3FFF);
    // The sum wraps at 16 bits before the 14-bit complement is taken.
    data = Record(0x202, 0, "");
    data.resize(64, 0);
    data[4] = 0xFF;
    data[5] = 0xFF;
    EXPECT_EQ(Image(test::Container({{0x400, 0, 64}}, data)).CheckSumm(), 0x0001);
}

TEST(BootLoaderImage, EndPointerBeyondTheDataReadsNothingOutside) {
    for (std::uint16_t ep : {0x0220, 0x3FFF, 0xFFFF}) {
        ABytes data = Record(ep, 0x1234, "X");
        data.resize(64, 0x55); // words up to 0x21F exist
        const auto image = Image(test::Container({{0x400, 0, 64}}, data));
        EXPECT_FALSE(image.CheckSummInData()) << ep;
        EXPECT_NE(image.CheckSumm(), image.BootLoaderInfo().CS) << ep;
        EXPECT_EQ(image.CheckSumm(), static_cast<std::uint16_t>(~0x1234)) << ep;
    }
    ABytes data = Record(0x021F, 0, "X");
    data.resize(64, 0x55);
    EXPECT_TRUE(Image(test::Container({{0x400, 0, 64}}, data)).CheckSummInData());
    // Even a stated CS of 0xFFFF cannot match.
    data = Record(0xFFFF, 0xFFFF, "X");
    data.resize(64, 0);
    EXPECT_NE(Image(test::Container({{0x400, 0, 64}}, data)).CheckSumm(), 0xFFFF);
}

TEST(BootLoaderImage, FlashLinesAreWholeSixtyFourByteLines) {
    ABytes data(300);
    for (std::size_t k = 0; k < data.size(); ++k) data[k] = static_cast<std::uint8_t>(k);
    struct Case {
        TDataBlock block;
        std::vector<std::uint16_t> addresses;
    };
    const Case cases[] = {
        {{0x400, 0, 100}, {0x400}},
        {{0x400, 0, 63}, {}},
        {{0x400, 0, 64}, {0x400}},
        {{0xFFC0, 0, 128}, {0xFFC0, 0x0000}},
        {{0x400, 250, 128}, {}}, // clipped to 50 bytes
        {{0x400, 0, 0xFFFFFFFF}, {0x400, 0x440, 0x480, 0x4C0}},
    };
    for (const Case& c : cases) {
        const auto lines = Image(test::Container({c.block}, data)).GetFlash();
        ASSERT_EQ(lines.size(), c.addresses.size()) << c.block.A << " L " << c.block.L;
        for (std::size_t k = 0; k < lines.size(); ++k) {
            EXPECT_EQ(lines[k].A, c.addresses[k]);
            EXPECT_EQ(lines[k].D,
                      ABytesCopy(data, static_cast<std::int32_t>(c.block.I + 64 * k), 64));
        }
    }
    EXPECT_TRUE(Image(test::Container({{0x1E000, 0, 128}}, data)).GetFlash().empty());
    EXPECT_TRUE(Image(test::Container({}, data)).GetFlash().empty());
}

TEST(BootLoaderImage, EepromLinesTakeTheLowBytes) {
    ABytes data(200);
    for (std::size_t k = 0; k < data.size(); ++k) data[k] = static_cast<std::uint8_t>(k);
    const auto two = Image(test::Container({{0x1E000, 0, 2}}, data)).GetEEPROM();
    ASSERT_EQ(two.size(), 1u);
    EXPECT_EQ(two[0], (TLormanBootLoaderDataLine{0, {0}}));

    const auto lines = Image(test::Container({{0x1E000, 10, 66}}, data)).GetEEPROM();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].A, 0);
    ASSERT_EQ(lines[0].D.size(), 32u);
    EXPECT_EQ(lines[0].D[0], 10);
    EXPECT_EQ(lines[0].D[31], 72);
    EXPECT_EQ(lines[1], (TLormanBootLoaderDataLine{32, {74}}));

    EXPECT_EQ(CodeOf([&] {
                  Image(test::Container({{0x1E000, 0, 3}}, data)).GetEEPROM();
              }),
              "0x0307");
    // Clipping makes the count: 7 bytes inside the data is odd.
    EXPECT_EQ(CodeOf([&] {
                  Image(test::Container({{0x1E000, 193, 8}}, data)).GetEEPROM();
              }),
              "0x0307");
    EXPECT_TRUE(Image(test::Container({{0x400, 0, 64}}, data)).GetEEPROM().empty());
    // A block with an unset address counts as above the limit.
    EXPECT_EQ(Image(test::Container({{0xFFFFFFFF, 0, 4}}, data)).GetEEPROM().size(), 1u);
}

TEST(BootLoaderImage, BlockAtTheFlashLimitIsNeither) {
    ABytes data = Record(0, 0, "X");
    data.resize(128, 0);
    const auto image = Image(test::Container({{0x8000, 0, 128}}, data), 0x8000);
    EXPECT_FALSE(image.FlashBlock());
    EXPECT_FALSE(image.EepromBlock());
    EXPECT_TRUE(image.GetFlash().empty());
    EXPECT_TRUE(image.GetEEPROM().empty());
    EXPECT_EQ(CodeOf([&] { image.BootLoaderInfo(); }), "0x0306");
}

TEST(BootLoaderImage, DataLineText) {
    EXPECT_EQ((TLormanBootLoaderDataLine{0x0400, {0x01, 0x02}}).ToString(), "0400:0102");
    EXPECT_EQ((TLormanBootLoaderDataLine{0x00E0, {0xAB}}).ToString(), "00E0:AB");
    EXPECT_EQ((TLormanBootLoaderDataLine{0xFFC0, {}}).ToString(), "FFC0:");
}

} // namespace
} // namespace zev
