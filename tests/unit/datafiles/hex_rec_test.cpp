#include "core/error.h"
#include "datafiles/hex_rec.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

std::string ParseCode(const std::string& line) {
    try {
        THexRec::FromText(line);
    } catch (const Error& e) {
        return e.what();
    }
    return "ok";
}

TEST(HexRecParse, ReadsTheFields) {
    const THexRec rec = THexRec::FromText(":0400100001020304E2");
    EXPECT_EQ(rec.L, 4);
    EXPECT_EQ(rec.A, 0x0010);
    EXPECT_EQ(rec.T, 0);
    EXPECT_EQ(rec.D, (ABytes{1, 2, 3, 4}));
    EXPECT_EQ(rec.S, 0xE2);

    const THexRec address = THexRec::FromText(":020000040001F9");
    EXPECT_EQ(address.T, 4);
    EXPECT_EQ(address.D, (ABytes{0x00, 0x01}));

    const THexRec eof = THexRec::FromText(":00000001FF");
    EXPECT_EQ(eof.L, 0);
    EXPECT_EQ(eof.T, 1);
    EXPECT_TRUE(eof.D.empty());
}

TEST(HexRecParse, AcceptsAnyMarkLowerCaseAnOddTailAndExtraBytes) {
    EXPECT_EQ(THexRec::FromText(";0400100001020304E2").D, (ABytes{1, 2, 3, 4}));
    EXPECT_EQ(THexRec::FromText(":0400100001020304e2").S, 0xE2);
    EXPECT_EQ(THexRec::FromText(":04001000aabbccddde").D, (ABytes{0xAA, 0xBB, 0xCC, 0xDD}));
    EXPECT_EQ(THexRec::FromText(":00000001FF7").T, 1) << "an odd last character is ignored";
    EXPECT_EQ(THexRec::FromText(":00000001FF1234").T, 1) << "bytes after the checksum";
}

TEST(HexRecParse, FailuresComeInTheirOrder) {
    struct Case {
        std::string line;
        const char* code;
    };
    const Case cases[] = {
        {"", "0x030A"},
        {":00000001F", "0x030A"},
        {"zzzzzzzzzz", "0x030A"},
        {":0000000GFF", "0x0401"},
        {":00000001FF:", "ok"},       // the odd last character is not looked at
        {":00000001FF :0", "0x0401"}, // a space inside the line
        {":1000000G00", "0x0401"},    // bad character wins over too short...
        {":1000000000G0", "0x0401"},  // ...wherever it is
        {":10000000000", "0x0309"},   // count 16, 5 bytes
        {":0400100001020304", "0x0309"},
        {":0400100001020304E3", "0x0308"},
        {":00000001FE", "0x0308"},
        {":FF00000000", "0x0309"},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseCode(c.line), c.code) << '"' << c.line << '"';
}

TEST(HexRecFormat, WritesUpperCaseWithAComputedChecksum) {
    THexRec rec;
    rec.L = 4;
    rec.A = 0x0010;
    rec.T = 0;
    rec.D = {1, 2, 3, 4};
    rec.S = 0x55; // not used
    EXPECT_EQ(THexRec::ToText(rec), ":0400100001020304E2");

    THexRec eof;
    eof.T = 1;
    EXPECT_EQ(THexRec::ToText(eof), ":00000001FF");

    THexRec address;
    address.L = 2;
    address.T = 4;
    address.D = {0x00, 0x01};
    EXPECT_EQ(THexRec::ToText(address), ":020000040001F9");

    THexRec mismatch; // L written as held
    mismatch.L = 3;
    mismatch.A = 0xABCD;
    mismatch.D = {0xFF};
    EXPECT_EQ(THexRec::ToText(mismatch), ":03ABCD00FF86");

    // Formatting and parsing agree for every length and type.
    for (int length : {0, 1, 16, 255}) {
        THexRec r;
        r.L = static_cast<std::uint8_t>(length);
        r.A = static_cast<std::uint16_t>(0x1234 * length);
        r.T = static_cast<std::uint8_t>(length % 6);
        for (int k = 0; k < length; ++k) r.D.push_back(static_cast<std::uint8_t>(k * 37));
        const THexRec back = THexRec::FromText(THexRec::ToText(r));
        EXPECT_EQ(back.L, r.L);
        EXPECT_EQ(back.A, r.A);
        EXPECT_EQ(back.T, r.T);
        EXPECT_EQ(back.D, r.D);
    }
}

} // namespace
} // namespace zev
