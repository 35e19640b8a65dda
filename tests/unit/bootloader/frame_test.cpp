#include "bootloader/boot_codes.h"
#include "bootloader/boot_frame.h"
#include "bootloader/lorman_bootloader.h"
#include "core/error.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <string>

namespace zev::test {
namespace {

TEST(BootRequestFrame, CommandsWithoutDataAreThreeBytesWithTheirCrc) {
    EXPECT_EQ(BootRequestFrame(kBootCmdDeviceID, {}), ABytesFromBytes({0xF0, 0x00, 0x99}));
    EXPECT_EQ(BootRequestFrame(kBootCmdReset, {}), ABytesFromBytes({0xF3, 0x00, 0xCC}));
}

TEST(BootRequestFrame, FlashLineOf64BytesIsA69ByteFrame) {
    ABytes data = ABytesFromWords({0x0220}); // word address of byte 0x0440
    for (int k = 0; k < 64; ++k) data.push_back(static_cast<std::uint8_t>(k * 3));
    const ABytes frame = BootRequestFrame(kBootCmdFlash, data);
    ASSERT_EQ(frame.size(), 69u);
    EXPECT_EQ(frame[0], 0xF2);
    EXPECT_EQ(frame[1], 0x42);
    EXPECT_EQ(ABytesCopy(frame, 2, 66), data);
    EXPECT_EQ(frame[68], ABytesCRC8(ABytesCopy(frame, 0, 68)));
}

TEST(BootRequestFrame, LengthByteKeepsOnlyTheLow8BitsButAllDataIsSent) {
    const ABytes data(257, 0x11);
    const ABytes frame = BootRequestFrame(kBootCmdEEPROM, data);
    ASSERT_EQ(frame.size(), 260u);
    EXPECT_EQ(frame[0], 0xF1);
    EXPECT_EQ(frame[1], 0x01);
    EXPECT_EQ(frame[259], ABytesCRC8(ABytesCopy(frame, 0, 259)));
}

struct AnswerCase {
    const char* name;
    ABytes recive;
    const char* error; // nullptr: complete
};

class BootCheckAnswerCases : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(BootCheckAnswerCases, JudgesTheBytesReceivedSoFar) {
    const AnswerCase& c = GetParam();
    for (const bool preset : {false, true}) {
        bool complite = preset;
        if (c.error == nullptr) {
            EXPECT_NO_THROW(BootCheckAnswer(c.recive, complite));
            EXPECT_TRUE(complite);
        } else {
            try {
                BootCheckAnswer(c.recive, complite);
                ADD_FAILURE() << "no error";
            } catch (const Error& e) {
                EXPECT_STREQ(e.what(), c.error);
            }
            EXPECT_EQ(complite, preset) << "a failed check leaves Complite alone";
        }
    }
}

ABytes Repeat(std::size_t n, std::uint8_t value) {
    return ABytes(n, value);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, BootCheckAnswerCases,
    ::testing::Values(
        AnswerCase{"Empty", {}, "0x0100"}, AnswerCase{"OneByte", {0xF0}, "0x0101"},
        AnswerCase{"TwoBytes", {0xF0, 0x00}, "0x0101"},
        AnswerCase{"No F nibble", {0x7F, 0x00, 0x00}, "0x0102"},
        AnswerCase{"E nibble", {0xE0, 0x00, 0x00, 0x00}, "0x0102"},
        // The low nibble need not match the command and the final byte is not verified.
        AnswerCase{"F5 00 xx", {0xF5, 0x00, 0x37}, nullptr},
        AnswerCase{"FF 00 00", {0xFF, 0x00, 0x00}, nullptr},
        AnswerCase{"Data without final byte", {0xF0, 0x02, 0x01, 0x02}, "0x0103"},
        AnswerCase{"Data with final byte", {0xF0, 0x02, 0x01, 0x02, 0x00}, nullptr},
        AnswerCase{"Extra bytes after the frame", {0xF0, 0x01, 0x01, 0x00, 0x99, 0x98}, nullptr},
        // 62 announced data bytes need 65 bytes: more than a session ever reads (64).
        AnswerCase{"Announces 62 bytes, 64 in", ABytesConcat({0xF0, 62}, Repeat(62, 0)), "0x0103"},
        AnswerCase{"Announces 61 bytes, 64 in", ABytesConcat({0xF0, 61}, Repeat(62, 0)), nullptr},
        AnswerCase{"Announces 255 bytes", ABytesConcat({0xF0, 0xFF}, Repeat(200, 0)), "0x0103"}),
    [](const ::testing::TestParamInfo<AnswerCase>& info) {
        std::string name;
        for (const char ch : std::string(info.param.name))
            if (std::isalnum(static_cast<unsigned char>(ch))) name += ch;
        return name;
    });

TEST(TLormanBootLoader, CheckRecivedDataIsTheFrameCheckWhateverWasSent) {
    TLormanBootLoader boot;
    bool complite = false;
    boot.CheckRecivedData(ABytesFromBytes({0xF0, 0x00, 0x99}), ABytesFromBytes({0xF5, 0x00, 0x01}),
                          complite);
    EXPECT_TRUE(complite);
    complite = true;
    EXPECT_THROW(boot.CheckRecivedData({}, {}, complite), Error);
    try {
        boot.CheckRecivedData(ABytesFromBytes({0xF0, 0x00, 0x99}), {}, complite);
        ADD_FAILURE() << "no error for an empty answer";
    } catch (const Error& e) {
        // The frame check's code replaces the base class's "no answer" text.
        EXPECT_STREQ(e.what(), "0x0100");
    }
}

TEST(TLormanBootLoader, CommandsOnAClosedControllerFailWithTheFrameCode) {
    // The session fails at its open check; nothing was received, so the caller sees "0x0100".
    TLormanBootLoader boot;
    for (const auto& command : std::initializer_list<std::function<void()>>{
             [&] { boot.DeviceID(); }, [&] { boot.Flash(0x0400, ABytes(64, 1)); },
             [&] { boot.EEPROM(0x20, ABytes(32, 1)); }, [&] { boot.Reset(); }}) {
        try {
            command();
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "0x0100");
        }
    }
}

} // namespace
} // namespace zev::test
