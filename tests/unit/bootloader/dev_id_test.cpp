#include "bootloader/dev_id.h"
#include "core/error.h"
#include "core/lang.h"
#include "support/identity_answer.h"

#include <gtest/gtest.h>

#include <tuple>

namespace zev::test {
namespace {

auto Key(const TDevDateTime& d) {
    return std::make_tuple(d.Year, d.Month, d.Day, d.Hour, d.Minute, d.Second, d.Millisecond);
}

// True when d lies between two readings of the clock taken around the decoding.
bool IsNow(const TDevDateTime& d, const TDevDateTime& before, const TDevDateTime& after) {
    return Key(before) <= Key(d) && Key(d) <= Key(after);
}

TDevDateTime Date(int year, int month) {
    TDevDateTime d;
    d.Year = year;
    d.Month = month;
    d.Day = 1;
    return d;
}

TEST(DecodeDevID, FullAnswerFillsEveryField) {
    TIdentityFields f;
    f.InfWord = 0x0200;
    f.MaxWord = 0x3FFF;
    f.BlockWords = 64;
    f.EepromHigh = 511;
    f.ID = 0x01020304;
    f.Name = std::string("Pump\xCD\xD1\0A\0\0", 10);
    const TLormanBootLoaderDevID id = DecodeDevID(IdentityAnswer(f));
    EXPECT_EQ(id.dBootVersion, 0x0102);
    EXPECT_EQ(id.dBootType, 0x001A);
    EXPECT_EQ(id.dPlateIzm, 2);   // D[4]
    EXPECT_EQ(id.dIspolnenie, 7); // D[5]
    EXPECT_EQ(id.dDate, Date(2017, 9));
    EXPECT_EQ(id.dAdressInf, 0x0400);
    EXPECT_EQ(id.dAdressMax, 0x7FFF);
    EXPECT_EQ(id.dBlockWrite, 128);
    EXPECT_EQ(id.dEepromMax, 512);
    EXPECT_EQ(id.dEEWrite, 16);
    EXPECT_EQ(id.dEndProg, 0x3DFF);
    EXPECT_EQ(id.dCSProg, 0x0946);
    EXPECT_EQ(id.dVerProg, 0x0105);
    EXPECT_EQ(id.dBootTypeP, 0x001A);
    EXPECT_EQ(id.dPlateIzmP, 2);
    EXPECT_EQ(id.dIspolnenieP, 7);
    EXPECT_EQ(id.dDateProg, Date(2018, 12));
    // 1 * 2^24 + 2 * 2^16 + 3 * 2^8 + 4, whatever the odd bytes between them hold.
    EXPECT_EQ(id.dID, 0x01020304);
    EXPECT_EQ(id.dName, f.Name);
    EXPECT_EQ(id.dName.size(), 10u);
}

TEST(DecodeDevID, ComputedFieldsKeepTheLow16Bits) {
    TIdentityFields f;
    f.InfWord = 0x8001;
    f.MaxWord = 0xFFFF;
    f.BlockWords = 0x8000;
    f.EepromHigh = 0xFFFF;
    f.ID = 0xFFFFFFFF;
    f.OddFill = 0x00;
    const TLormanBootLoaderDevID id = DecodeDevID(IdentityAnswer(f));
    EXPECT_EQ(id.dAdressInf, 0x0002);
    EXPECT_EQ(id.dAdressMax, 0xFFFF);
    EXPECT_EQ(id.dBlockWrite, 0x0000);
    EXPECT_EQ(id.dEepromMax, 0x0000);
    EXPECT_EQ(id.dID, 0xFFFFFFFFll) << "the identifier is widened without a sign";
}

TEST(DecodeDevID, FieldsComeFromTheirOwnBytes) {
    // Every field from a different value, so that a swapped offset shows.
    TIdentityFields f;
    f.BootVersion = 0x1122;
    f.BootType = 0x3344;
    f.PlateIzm = 0x55;
    f.Ispolnenie = 0x66;
    f.EndProg = 0x7788;
    f.CSProg = 0x99AA;
    f.VerProg = 0xBBCC;
    f.BootTypeP = 0xDDEE;
    f.PlateIzmP = 0x12;
    f.IspolnenieP = 0x34;
    const TLormanBootLoaderDevID id = DecodeDevID(IdentityAnswer(f));
    EXPECT_EQ(std::make_tuple(id.dBootVersion, id.dBootType, id.dPlateIzm, id.dIspolnenie),
              std::make_tuple(0x1122, 0x3344, 0x55, 0x66));
    EXPECT_EQ(std::make_tuple(id.dEndProg, id.dCSProg, id.dVerProg, id.dBootTypeP, id.dPlateIzmP,
                              id.dIspolnenieP),
              std::make_tuple(0x7788, 0x99AA, 0xBBCC, 0xDDEE, 0x12, 0x34));
}

TEST(DecodeDevID, AnswersOfFewerThan50BytesFailWith0x0104) {
    const ABytes full = IdentityAnswer();
    for (const std::size_t size : {0u, 3u, 49u}) {
        try {
            DecodeDevID(ABytesCopy(full, 0, static_cast<std::int32_t>(size)));
            ADD_FAILURE() << size << " bytes decoded";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "0x0104");
        }
    }
}

TEST(DecodeDevID, ShortAnswersGiveZeroForBytesTheyDoNotHold) {
    TIdentityFields f;
    f.Name = "ABCDEFGHIJ";
    const ABytes full = IdentityAnswer(f, 0x4B);
    const TLormanBootLoaderDevID whole = DecodeDevID(full);
    for (std::size_t size = 50; size <= 59; ++size) {
        // A copy of exactly that size: bytes past it are not part of the answer.
        const ABytes answer(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
        const TLormanBootLoaderDevID id = DecodeDevID(answer);
        std::string name(10, '\0');
        for (std::size_t k = 0; k < 10; ++k) {
            const std::size_t at = 2 + 36 + 2 * k; // the name byte's place in the answer
            if (at < size) name[k] = static_cast<char>(answer[at]);
        }
        EXPECT_EQ(id.dName, name) << size << " bytes";
        TLormanBootLoaderDevID expected = whole;
        expected.dName = name;
        EXPECT_EQ(id, expected) << "every other field is whole from 50 bytes on";
    }
    EXPECT_EQ(DecodeDevID(ABytesCopy(full, 0, 50)).dName, std::string("ABCDEF\0\0\0\0", 10));
}

struct DateCase {
    std::uint8_t year, month;
    int expectYear, expectMonth; // 0: the current date and time
};

TEST(DecodeDevID, DatesAreBcdYearAndMonthElseTheCurrentLocalTime) {
    const DateCase cases[] = {{0x17, 0x09, 2017, 9}, {0x00, 0x01, 2000, 1}, {0x99, 0x12, 2099, 12},
                              {0x1A, 0x09, 0, 0},    {0x17, 0x00, 0, 0},    {0x17, 0x13, 0, 0},
                              {0x17, 0x0A, 0, 0},    {0xA0, 0x05, 0, 0},    {0x17, 0x99, 0, 0}};
    for (const DateCase& c : cases) {
        TIdentityFields f;
        f.Year = f.YearP = c.year;
        f.Month = f.MonthP = c.month;
        const TDevDateTime before = DevDateTimeNow();
        const TLormanBootLoaderDevID id = DecodeDevID(IdentityAnswer(f));
        const TDevDateTime after = DevDateTimeNow();
        SCOPED_TRACE(testing::Message() << std::hex << int(c.year) << " " << int(c.month));
        if (c.expectYear != 0) {
            EXPECT_EQ(id.dDate, Date(c.expectYear, c.expectMonth));
            EXPECT_EQ(id.dDateProg, Date(c.expectYear, c.expectMonth));
        } else {
            EXPECT_TRUE(IsNow(id.dDate, before, after));
            EXPECT_TRUE(IsNow(id.dDateProg, before, after));
        }
    }
}

TEST(DecodeDevID, EachDateIsJudgedOnItsOwn) {
    TIdentityFields f;
    f.Year = 0x17;
    f.Month = 0x13;
    f.YearP = 0x18;
    f.MonthP = 0x02;
    const TDevDateTime before = DevDateTimeNow();
    const TLormanBootLoaderDevID id = DecodeDevID(IdentityAnswer(f));
    const TDevDateTime after = DevDateTimeNow();
    EXPECT_TRUE(IsNow(id.dDate, before, after));
    EXPECT_EQ(id.dDateProg, Date(2018, 2));
}

TEST(TLormanBootLoaderDevID, ToStringGivesSevenPaddedLines) {
    TLormanBootLoaderDevID id;
    id.dName = std::string("Pump\0\0\0\0\0\0", 10);
    id.dBootType = 0x1A;
    id.dIspolnenie = 7;
    id.dPlateIzm = 2;
    id.dVerProg = 0x0105;
    id.dID = 0x1A;
    id.dCSProg = 0x0946;
    const std::string expected = "Name:          " + id.dName +
                                 "\r\n"
                                 "Type:          0x001A\r\n"
                                 "Isp:           7\r\n"
                                 "Izm:           2\r\n"
                                 "Version:       1.05\r\n"
                                 "ID:            000000001A\r\n"
                                 "CheckSumm:     0x0946";
    EXPECT_EQ(id.ToString(), expected);
}

TEST(TLormanBootLoaderDevID, ToStringWritesHexInUpperCaseAndLongLabelsKeepOneSpace) {
    TLormanBootLoaderDevID id;
    id.dIspolnenie = 0xAB;
    id.dVerProg = 0x1A0B;
    id.dID = 0xFEDCBA98;
    id.dCSProg = 0xBEEF;
    const std::string text = id.ToString();
    EXPECT_NE(text.find("Isp:           AB\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Version:       1A.0B\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("ID:            00FEDCBA98\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("CheckSumm:     0xBEEF"), std::string::npos) << text;
}

TEST(SameDevice, ComparesIdentifierAndTheInstalledProgramsTypeVariantAndRevision) {
    const TLormanBootLoaderDevID a = DecodeDevID(IdentityAnswer());
    TLormanBootLoaderDevID b = a;
    b.dVerProg = 0x0999; // another firmware version is the same device
    b.dCSProg = 0;
    b.dName = "other";
    EXPECT_TRUE(SameDevice(a, b));
    const std::function<void(TLormanBootLoaderDevID&)> changes[] = {
        [](TLormanBootLoaderDevID& d) { d.dID ^= 1; },
        [](TLormanBootLoaderDevID& d) { d.dBootTypeP ^= 1; },
        [](TLormanBootLoaderDevID& d) { d.dIspolnenieP ^= 1; },
        [](TLormanBootLoaderDevID& d) { d.dPlateIzmP ^= 1; }};
    for (const auto& change : changes) {
        TLormanBootLoaderDevID c = a;
        change(c);
        EXPECT_FALSE(SameDevice(a, c));
    }
}

} // namespace
} // namespace zev::test
