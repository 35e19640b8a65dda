#include "datafiles/abytes.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace zev {
namespace {

ABytes Bytes(std::initializer_list<std::uint8_t> values) {
    return ABytesFromBytes(values);
}

TEST(ABytesPacking, IntegersArePackedLittleEndian) {
    EXPECT_EQ(ABytesFromBytes({}), ABytes{});
    EXPECT_EQ(ABytesFromBytes({1, 2, 0xFF}), (ABytes{1, 2, 0xFF}));
    EXPECT_EQ(ABytesFromWords({0x1234, 0xABCD}), (ABytes{0x34, 0x12, 0xCD, 0xAB}));
    EXPECT_EQ(ABytesFromLongs({0xAAAAAAAA}), (ABytes{0xAA, 0xAA, 0xAA, 0xAA}));
    EXPECT_EQ(ABytesFromLongs({0x12345678, 1}), (ABytes{0x78, 0x56, 0x34, 0x12, 1, 0, 0, 0}));
    EXPECT_TRUE(ABytesIsEmpty({}));
    EXPECT_FALSE(ABytesNotEmpty({}));
    EXPECT_TRUE(ABytesNotEmpty(Bytes({0})));
    EXPECT_FALSE(ABytesIsEmpty(Bytes({0})));
}

TEST(ABytesRead, PartialReadsFillTheLowEnd) {
    struct Case {
        ABytes data;
        std::int32_t offset;
        std::uint16_t word;
        std::uint32_t longValue;
    };
    const Case cases[] = {
        {{0x7F}, 0, 0x007F, 0x0000007F},
        {{1, 2, 3}, 0, 0x0201, 0x00030201},
        {{1, 2, 3}, 1, 0x0302, 0x00000302},
        {{1, 2, 3}, 2, 0x0003, 0x00000003},
        {{1, 2, 3}, 3, 0, 0},
        {{1, 2, 3}, 1000, 0, 0},
        {{1, 2, 3}, INT32_MAX, 0, 0},
        {{}, 0, 0, 0},
        {{1, 2, 3, 4, 5}, 1, 0x0302, 0x05040302},
        // A negative offset is clamped to 0: nothing before the array is read.
        {{1, 2, 3, 4}, -1, 0x0201, 0x04030201},
        {{1, 2, 3, 4}, INT32_MIN, 0x0201, 0x04030201},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ABytesGetWord(c.data, c.offset), c.word) << "offset " << c.offset;
        EXPECT_EQ(ABytesGetLong(c.data, c.offset), c.longValue) << "offset " << c.offset;
    }
}

TEST(ABytesCut, CopyTakesWhatIsAvailable) {
    const ABytes ten = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    const ABytes lastSix = {4, 5, 6, 7, 8, 9};
    struct Case {
        std::int32_t start, count;
        ABytes expected;
    };
    const Case cases[] = {
        {4, -1, lastSix},
        {4, 100, lastSix},
        {4, INT32_MAX, lastSix},
        {4, 2, {4, 5}},
        {10, -1, {}},
        {10, 5, {}},
        {12, 3, {}},
        {INT32_MAX, INT32_MAX, {}},
        {0, 0, {}},
        {0, -1, ten},
        {-3, 2, {0, 1}},
        {INT32_MIN, -1, ten},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ABytesCopy(ten, c.start, c.count), c.expected)
            << "start " << c.start << " count " << c.count;
    EXPECT_EQ(ABytesCopy({}, 0, -1), ABytes{});
}

TEST(ABytesCut, InsertAndDeleteChangeOnlyTheirArray) {
    struct InsertCase {
        ABytes dest, source;
        std::int32_t position;
        ABytes expected;
    };
    const InsertCase inserts[] = {
        {{1, 2}, {}, 5, {1, 2}},
        {{1, 2}, {}, -1, {1, 2}},
        {{1, 2}, {9}, -1, {1, 2, 9}},
        {{1, 2}, {9}, 0, {9, 1, 2}},
        {{1, 2}, {9, 8}, 1, {1, 9, 8, 2}},
        {{1, 2}, {9}, 2, {1, 2, 9}},
        {{1, 2}, {9}, 7, {1, 2, 9}}, // past the end appends
        {{1, 2}, {9}, INT32_MIN, {1, 2, 9}},
        {{}, {9}, 0, {9}},
    };
    for (const InsertCase& c : inserts) {
        ABytes dest = c.dest;
        const ABytes source = c.source;
        ABytesInsert(dest, source, c.position);
        EXPECT_EQ(dest, c.expected) << "position " << c.position;
        EXPECT_EQ(source, c.source);
    }

    struct InsertByteCase {
        ABytes dest;
        std::int32_t position;
        ABytes expected;
    };
    const InsertByteCase insertBytes[] = {
        {{}, -1, {9}},          {{}, 0, {9}},           {{1, 2}, 1, {1, 9, 2}},
        {{1, 2}, 0, {9, 1, 2}}, {{1, 2}, 2, {1, 2, 9}}, {{1, 2}, 3, {1, 2, 9}},
    };
    for (const InsertByteCase& c : insertBytes) {
        ABytes dest = c.dest;
        ABytesInsertByte(dest, 9, c.position);
        EXPECT_EQ(dest, c.expected) << "position " << c.position;
    }

    struct DeleteCase {
        std::int32_t start, count;
        ABytes expected;
    };
    const DeleteCase deletes[] = {
        {1, 2, {1, 4}},
        {1, -1, {1}},
        {4, 1, {1, 2, 3, 4}},
        {4, -1, {1, 2, 3, 4}},
        {9, 3, {1, 2, 3, 4}},
        {2, 10, {1, 2}},
        {0, 0, {1, 2, 3, 4}},
        {0, -1, {}},
        {2, INT32_MAX, {1, 2}},
        {-2, 1, {2, 3, 4}},
        {INT32_MAX, INT32_MAX, {1, 2, 3, 4}},
    };
    for (const DeleteCase& c : deletes) {
        ABytes dest = {1, 2, 3, 4};
        ABytesDelete(dest, c.start, c.count);
        EXPECT_EQ(dest, c.expected) << "start " << c.start << " count " << c.count;
    }

    const ABytes first = {1, 2};
    const ABytes second = {3};
    EXPECT_EQ(ABytesConcat(first, second), (ABytes{1, 2, 3}));
    EXPECT_EQ(ABytesConcat({}, second), second);
    EXPECT_EQ(ABytesConcat(first, {}), first);
    EXPECT_EQ(first, (ABytes{1, 2}));
}

TEST(ABytesSums, SumWrapsAtThirtyTwoBits) {
    EXPECT_EQ(ABytesSum({}), 0u);
    EXPECT_EQ(ABytesSum(Bytes({0xFF, 0xFF, 0xFF})), 765u);
    EXPECT_EQ(ABytesSum(ABytes(1000, 0xFF)), 255000u);
}

TEST(ABytesSums, Crc8IsMaxim) {
    const std::string check = "123456789";
    EXPECT_EQ(ABytesCRC8(ABytes(check.begin(), check.end())), 0xA1);
    EXPECT_EQ(ABytesCRC8(Bytes({0x01})), 0x5E);
    EXPECT_EQ(ABytesCRC8({}), 0x00);
    // Each single-bit byte gives its own table constant.
    const std::uint8_t constants[8] = {0x5E, 0xBC, 0x61, 0xC2, 0x9D, 0x23, 0x46, 0x8C};
    for (int bit = 0; bit < 8; ++bit)
        EXPECT_EQ(ABytesCRC8(Bytes({static_cast<std::uint8_t>(1u << bit)})), constants[bit]);
    // A message followed by its own CRC checks to 0.
    ABytes frame = {0xF0, 0x02, 0x12, 0x34};
    frame.push_back(ABytesCRC8(frame));
    EXPECT_EQ(ABytesCRC8(frame), 0);
    // The byte-wise step agrees with the array routine.
    std::uint8_t crc = 0;
    for (char c : check) crc = Crc8Update(crc, static_cast<std::uint8_t>(c));
    EXPECT_EQ(crc, 0xA1);
}

TEST(ABytesText, HexAndDecimalRenderings) {
    const ABytes data = {0x0A, 0xFF};
    EXPECT_EQ(ABytesToText(data, " ", true), "0A FF");
    EXPECT_EQ(ABytesToText(data, " ", false), "10 255");
    EXPECT_EQ(ABytesToText(data, "", true), "0AFF");
    EXPECT_EQ(ABytesToText(data, ", ", false), "10, 255");
    EXPECT_EQ(ABytesToText(Bytes({0}), "-", true), "00");
    EXPECT_EQ(ABytesToText(Bytes({0, 7}), "", false), "07");
    EXPECT_EQ(ABytesToText({}, " ", true), "");
    EXPECT_EQ(ABytesToText({}, " ", false), "");
    EXPECT_EQ(ABytesDecWidth, "");

    const ABytes raw = {'A', 0x00, 0xC0, 0xFF};
    const std::string ansi = ABytesToAnsi(raw);
    ASSERT_EQ(ansi.size(), 4u);
    EXPECT_EQ(ABytes(ansi.begin(), ansi.end()), raw);
}

} // namespace
} // namespace zev
