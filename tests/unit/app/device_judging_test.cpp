#include "app/detail/device_judging.h"
#include "app/info_panel.h"
#include "core/cp1251.h"
#include "core/lang.h"
#include "datafiles/package_builder.h"
#include "datafiles/package_check.h"

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

// The package's memory as the updater reads it from its image.
TPackageMemory MemoryOf(const TDemoFirmware& demo) {
    TLormanBootLoaderHexDataFile image;
    image.SetInfo(kPackageFlashLimit, kPackageEepromLimit);
    image.BytesFrom(MakeDemoPayload(demo));
    return PackageMemory(image);
}

TEST_F(DeviceJudgingTest, MemoryOfThePackageAgainstTheDevicesOwnAccount) {
    // The demo package: flash lines 0x400 .. 0x7FFF, 256 EEPROM bytes.
    const TPackageMemory demo = MemoryOf(TDemoFirmware{});
    EXPECT_EQ(demo.flashFirst, 0x400u);
    EXPECT_EQ(demo.flashLast, 0x7FFFu);
    EXPECT_EQ(demo.eepromBytes, 256u);
    TDemoFirmware flashOnly;
    flashOnly.eepromSize = 0;
    EXPECT_EQ(MemoryOf(flashOnly).eepromBytes, 0u);

    struct Case {
        const char* what;
        std::uint16_t inf, max, eeprom;
        bool fits;
    };
    const Case cases[] = {
        {"the simulator's defaults", 0x0400, 0xFFFF, 256, true},
        {"exactly the package's memory", 0x0400, 0x7FFF, 256, true},
        {"the record one page higher", 0x0800, 0xFFFF, 256, false},
        {"the record lower", 0x0200, 0xFFFF, 256, false},
        {"flash one word short", 0x0400, 0x7FFD, 256, false},
        {"EEPROM one cell short", 0x0400, 0xFFFF, 255, false},
        {"highest EEPROM address 0xFFFF: 65536 cells", 0x0400, 0xFFFF, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TLormanBootLoaderDevID id = Device(0x0104);
        id.dAdressInf = c.inf;
        id.dAdressMax = c.max;
        id.dEepromMax = c.eeprom;
        EXPECT_EQ(MemoryFits(id, demo), c.fits);
        EXPECT_EQ(JudgeDevice(id, Package(), demo), c.fits ? kRowToUpdate : kRowNotSupported);
    }
    // Memory that fits leaves the judging to type, variant, revision and version.
    TLormanBootLoaderDevID same = Device(0x0105);
    same.dAdressInf = 0x0400;
    same.dAdressMax = 0xFFFF;
    same.dEepromMax = 256;
    EXPECT_EQ(JudgeDevice(same, Package(), demo), kRowNotRequired);
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
