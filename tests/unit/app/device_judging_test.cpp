#include "app/detail/device_judging.h"
#include "app/info_panel.h"
#include "core/cp1251.h"
#include "core/lang.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

class DeviceJudgingTest : public ::testing::Test {
protected:
    void SetUp() override { CurrentLanguage = kLangEnglish; }
    void TearDown() override { CurrentLanguage = kLangRussian; }
};

TLormanBootLoaderInfo Package() {
    TLormanBootLoaderInfo info;
    info.TX = "ZEV-DEMO";
    info.VP = 0x0105;
    info.TD = 0x0042;
    info.IP = 1;
    info.IZ = 2;
    return info;
}

TLormanBootLoaderDevID Device(std::uint16_t version, std::uint16_t type = 0x0042,
                              std::uint8_t variant = 1, std::uint8_t revision = 2) {
    TLormanBootLoaderDevID id;
    id.dVerProg = version;
    id.dBootTypeP = type;
    id.dIspolnenieP = variant;
    id.dPlateIzmP = revision;
    // The bootloader's own fields never decide anything.
    id.dBootType = 0x0099;
    id.dIspolnenie = 9;
    id.dPlateIzm = 9;
    return id;
}

TEST_F(DeviceJudgingTest, StateFromTypeVariantRevisionAndVersion) {
    struct Case {
        const char* what;
        TLormanBootLoaderDevID id;
        std::int32_t state;
    };
    const Case cases[] = {
        {"older version", Device(0x0104), kRowToUpdate},
        {"older major", Device(0x00FF), kRowToUpdate},
        {"same version", Device(0x0105), kRowNotRequired},
        {"newer version", Device(0x0200), kRowNotRequired},
        {"other type", Device(0x0104, 0x0043), kRowNotSupported},
        {"other variant, older", Device(0x0001, 0x0042, 2), kRowNotSupported},
        {"other board revision", Device(0x0104, 0x0042, 1, 3), kRowNotSupported},
        {"type differs only in the high byte", Device(0x0104, 0x0142), kRowNotSupported},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(JudgeDevice(c.id, Package()), c.state);
    }
}

TEST_F(DeviceJudgingTest, RowTextOfADevice) {
    TLormanBootLoaderDevID id = Device(0x0105, 0x0042, 1, 2);
    id.dName = std::string("SIG-5\0\0\0\0\0", 10);
    id.dID = 0x1A;
    EXPECT_EQ(DeviceRowText(id), "\"SIG-5\" 0000001A v.1.05  (isp.1, izm.2)");

    // Zero bytes anywhere in the name are left out; the variant is written in hexadecimal.
    id.dName = std::string("\0AB\0C\0\0\0\0\0", 10);
    id.dID = 0xFEDCBA98;
    id.dIspolnenieP = 0x1A;
    EXPECT_EQ(DeviceRowText(id), "\"ABC\" FEDCBA98 v.1.05  (isp.1A, izm.2)");
}

TEST_F(DeviceJudgingTest, RowTextDecodesTheNameFromWindows1251) {
    CurrentLanguage = kLangRussian;
    TLormanBootLoaderDevID id = Device(0x0203, 0x0042, 1, 2);
    id.dName = Utf8ToCp1251("ЗЭВ-1") + std::string(5, '\0');
    ASSERT_EQ(id.dName.size(), 10u);
    id.dID = 7;
    EXPECT_EQ(DeviceRowText(id), "\"ЗЭВ-1\" 00000007 v.2.03  (исп.1, изм.2)");
}

TEST_F(DeviceJudgingTest, TitleOfThePackage) {
    TLormanBootLoaderInfo info;
    info.TX = "ABC";
    info.VP = 0x0203;
    info.IP = 1;
    info.IZ = 4;
    EXPECT_EQ(PackageTitle(info), "ABC v.2.03 (isp.1, izm.4)");
    info.IP = 12; // decimal in the title
    EXPECT_EQ(PackageTitle(info), "ABC v.2.03 (isp.12, izm.4)");
    EXPECT_EQ(PackageTitle(TLormanBootLoaderInfo{}), " v.0.00 (isp.0, izm.0)");

    CurrentLanguage = kLangRussian;
    info.TX = Utf8ToCp1251("Прибор");
    EXPECT_EQ(PackageTitle(info), "Прибор v.2.03 (исп.12, изм.4)");
}

} // namespace
} // namespace zev
