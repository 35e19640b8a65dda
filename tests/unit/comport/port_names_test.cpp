#include "comport/basic_port.h"
#include "comport/port_info.h"
#include "core/error.h"
#include "tests/support/error_of.h"

#include <functional>
#include <gtest/gtest.h>

namespace zev {
namespace {

using test::ErrorOf;

const std::string kNameError = "TBasicComPortCtrl.CheckPortName >> Ошибка имени порта ";
const std::string kNumberError = "TBasicComPortCtrl.CheckPortName >> Ошибка номера порта ";

TEST(CheckPortName, NormalFormsAndErrors) {
    struct Case {
        std::string name, result;
    };
    const Case cases[] = {
        {"COM3", "COM3"},
        {"com3", "COM3"},
        {"3", "COM3"},
        {"COM9", "COM9"},
        {"COM007", "COM7"},
        {"COM12", "\\\\.\\COM12"},
        {"\\\\.\\COM12", "\\\\.\\COM12"},
        {"\\\\.\\com10", "\\\\.\\COM10"},
        {"COM0", kNumberError + "\"COM0\""},
        {"COM-1", kNumberError + "\"COM-1\""},
        {"0", kNumberError + "\"0\""},
        {"LPT1", kNameError + "\"LPT1\""},
        {"COM", kNameError + "\"COM\""},
        {"COMX", kNameError + "\"COMX\""},
        {"COM 3", kNameError + "\"COM 3\""},
        {"", kNameError + "\"\""},
        {"COM99999999999", kNameError + "\"COM99999999999\""},
    };
    for (const auto& c : cases) {
        std::string got;
        try {
            got = TBasicComPortCtrl::CheckPortName(c.name);
        } catch (const Error& e) {
            got = e.what();
        }
        EXPECT_EQ(got, c.result) << "name " << c.name;
    }
}

TEST(CheckPortName, OfANumber) {
    EXPECT_EQ(TBasicComPortCtrl::CheckPortName(1), "COM1");
    EXPECT_EQ(TBasicComPortCtrl::CheckPortName(9), "COM9");
    EXPECT_EQ(TBasicComPortCtrl::CheckPortName(10), "\\\\.\\COM10");
    EXPECT_EQ(ErrorOf([] { TBasicComPortCtrl::CheckPortName(0); }), kNumberError + "\"0\"");
    EXPECT_EQ(ErrorOf([] { TBasicComPortCtrl::CheckPortName(-4); }), kNumberError + "\"-4\"");
}

TEST(CheckPortNumber, ReturnsTheNumberWithTheSameErrors) {
    EXPECT_EQ(TBasicComPortCtrl::CheckPortNumber("COM12"), 12);
    EXPECT_EQ(TBasicComPortCtrl::CheckPortNumber("\\\\.\\COM12"), 12);
    EXPECT_EQ(ErrorOf([] { TBasicComPortCtrl::CheckPortNumber("COM0"); }),
              kNumberError + "\"COM0\"");
    EXPECT_EQ(ErrorOf([] { TBasicComPortCtrl::CheckPortNumber("LPT2"); }), kNameError + "\"LPT2\"");
}

TEST(PortNumberOf, HasNoRangeCheck) {
    EXPECT_EQ(PortNumberOf("COM0"), 0);
    EXPECT_EQ(PortNumberOf("COM-2"), -2);
    EXPECT_EQ(PortNumberOf("com5"), 5);
    EXPECT_EQ(ErrorOf([] { PortNumberOf("ttyX"); }), kNameError + "\"ttyX\"");
}

TEST(PortInfo, TypeAndNumberOfAPortName) {
    struct Case {
        std::string name;
        std::uint8_t type;
        std::int32_t number;
    };
    const Case cases[] = {
        {"COM12", 1, 12},  {"com3", 1, 3}, {"LPT1", 2, 1},     {"", 0, 0},
        {"COMLPT7", 3, 7}, {"Port", 0, 0}, {"C1O2M3", 0, 123}, {"COM99999999999", 1, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PortTypeOf(c.name), c.type) << c.name;
        EXPECT_EQ(PortDigitsNumber(c.name), c.number) << c.name;
    }
}

TPortInfo Entry(std::uint8_t type, const std::string& name, const std::string& path) {
    TPortInfo info;
    info.portType = type;
    info.portName = name;
    info.portNumber = PortDigitsNumber(name);
    info.portRegPath = path;
    return info;
}

TEST(FindPortInfo, MatchesOnlyComPortsByNormalForm) {
    const APortsInfo list = {
        Entry(3, "COMLPT3", "both"), Entry(2, "LPT3", "printer"), Entry(1, "COM3", "first"),
        Entry(1, "com3", "second"),  Entry(1, "COM12", "twelve"),
    };
    EXPECT_EQ(FindPortInfo(list, "3").portRegPath, "first");
    EXPECT_EQ(FindPortInfo(list, "\\\\.\\COM12").portRegPath, "twelve");
    EXPECT_EQ(ErrorOf([&] { FindPortInfo(list, "COM4"); }), "Порт \"COM4\" не найден.");
    EXPECT_EQ(ErrorOf([&] { FindPortInfo({}, "nonsense"); }), "Порт \"nonsense\" не найден.");
    // The given name is judged as soon as a COM entry is compared with it.
    EXPECT_EQ(ErrorOf([&] { FindPortInfo(list, "COMX"); }), kNameError + "\"COMX\"");
}

TEST(FindPortInfo, AnUnreadableEntryEndsTheSearch) {
    const APortsInfo list = {Entry(1, "COMX", "bad"), Entry(1, "COM3", "good")};
    EXPECT_EQ(ErrorOf([&] { FindPortInfo(list, "COM3"); }), kNameError + "\"COMX\"");
}

} // namespace
} // namespace zev
