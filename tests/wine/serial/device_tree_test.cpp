// The port devices of the registry's device tree: the walk, a device's latency timer and driver
// configuration, and what opening a port takes from them. The devices are made by the test under
// an enumerator of its own and removed again.

#include "comport/port_ctrl.h"
#include "core/error.h"
#include "tests/support/error_of.h"
#include "tests/wine/serial/bench.h"
#include "tests/wine/serial/test_keys.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

using test::ErrorOf;

const std::string kTree = "System\\CurrentControlSet\\Enum\\ZEVTEST";

class TTimingCtrl : public TCustomComPortCtrl {
public:
    std::uint32_t LatTmr() const { return FLatTmr; }
    std::uint32_t BfSz() const { return FBfSz; }
};

class WineDeviceTree : public ::testing::Test {
protected:
    // A device instance that the walk takes: class, both subkeys, and a port name when given.
    void AddPort(const std::wstring& instance, const std::wstring& portName,
                 const std::wstring& className = L"Ports") {
        keys.SetText(instance, L"Class", className);
        keys.Create(instance + L"\\Control");
        keys.Create(instance + L"\\Device Parameters");
        if (!portName.empty())
            keys.SetText(instance + L"\\Device Parameters", L"PortName", portName);
    }

    // The entries of the walk that lie below the test's enumerator.
    static APortsInfo OursOf(const APortsInfo& all) {
        APortsInfo ours;
        for (const auto& info : all)
            if (info.portRegPath.rfind(kTree + "\\", 0) == 0) ours.push_back(info);
        return ours;
    }

    static const TPortInfo* Find(const APortsInfo& list, const std::string& path) {
        for (const auto& info : list)
            if (info.portRegPath == kTree + "\\" + path) return &info;
        return nullptr;
    }

    bench::TTestKey keys{HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Enum\\ZEVTEST"};
    // The port with the answering peer, which the device entries of the timing tests describe.
    const std::string port = bench::AnswerPort();
    const std::wstring widePort{port.begin(), port.end()};
};

TEST_F(WineDeviceTree, TheWalkTakesPresentPortsClassDevicesOnly) {
    AddPort(L"PORT\\0", L"COM5");
    keys.SetText(L"PORT\\0", L"FriendlyName", L"ZEV test port (COM5)");
    keys.SetText(L"PORT\\0", L"Service", L"zevser");
    AddPort(L"PORT\\1", L"COM12", L"pOrTs"); // the class in any letter case
    AddPort(L"PORT\\2", L"");                // no port name
    AddPort(L"PORT\\3", L"COM3");
    keys.SetText(L"PORT\\3", L"Class", L"Modem"); // another class
    keys.SetText(L"PORT\\4", L"Class", L"Ports"); // neither subkey
    keys.Create(L"PORT\\4\\Device Parameters");   // no Control: the device is not present
    keys.SetText(L"PORT\\5", L"Class", L"Ports");
    keys.Create(L"PORT\\5\\Control"); // no Device Parameters
    AddPort(L"PRINTER\\0", L"LPT1");
    AddPort(L"ODD\\0", L"COMLPT2");

    const APortsInfo ours = OursOf(TBasicComPortCtrl::ListPortsInfo());
    EXPECT_EQ(ours.size(), 5u);
    struct Want {
        const char* path;
        std::uint8_t type;
        const char* name;
        std::int32_t number;
        const char* fn;
        const char* sv;
    };
    for (const Want& w :
         {Want{"PORT\\0", 1, "COM5", 5, "ZEV test port (COM5)", "zevser"},
          Want{"PORT\\1", 1, "COM12", 12, "", ""}, Want{"PORT\\2", 0, "", 0, "", ""},
          Want{"PRINTER\\0", 2, "LPT1", 1, "", ""}, Want{"ODD\\0", 3, "COMLPT2", 2, "", ""}}) {
        const TPortInfo* info = Find(ours, w.path);
        ASSERT_NE(info, nullptr) << w.path;
        EXPECT_EQ(info->portType, w.type) << w.path;
        EXPECT_EQ(info->portName, w.name) << w.path;
        EXPECT_EQ(info->portNumber, w.number) << w.path;
        EXPECT_EQ(info->FN, w.fn) << w.path;
        EXPECT_EQ(info->SV, w.sv) << w.path;
    }
    for (const char* skipped : {"PORT\\3", "PORT\\4", "PORT\\5"})
        EXPECT_EQ(Find(ours, skipped), nullptr) << skipped;

    // Only a COM-type entry is found by name; the LPT and the mixed name are not.
    EXPECT_EQ(GetPortInfo("\\\\.\\COM12").portRegPath, kTree + "\\PORT\\1");
    EXPECT_EQ(ErrorOf([] { GetPortInfo("COM2"); }), "Порт \"COM2\" не найден.");
}

TEST_F(WineDeviceTree, AClassThatIsNoTextEndsTheWalk) {
    AddPort(L"PORT\\0", L"COM5");
    keys.SetDword(L"PORT\\0", L"Class", 7);
    EXPECT_EQ(ErrorOf([] { TBasicComPortCtrl::ListPortsInfo(); }), "Invalid data type for 'Class'");
}

TEST_F(WineDeviceTree, OpenTakesTheLatencyTimerAndTheDeviceBuffer) {
    AddPort(L"PORT\\0", widePort);
    keys.SetDword(L"PORT\\0\\Device Parameters", L"LatencyTimer", 16);
    const std::vector<std::uint8_t> config = {0x11, 0x22, 0x02, 0x33, 0, 0, 0, 0, 0, 0, 0, 0x44};
    keys.SetBinary(L"PORT\\0\\Device Parameters", L"ConfigData", config);

    EXPECT_EQ(TCustomComPortCtrl::LatencyTimer(port), 16u);
    EXPECT_EQ(TCustomComPortCtrl::ConfigData(port), ABytes(config.begin(), config.end()));
    TTimingCtrl c;
    c.Open(port);
    EXPECT_EQ(c.LatTmr(), 18u);
    EXPECT_EQ(c.BfSz(), 128u); // 64 times the third byte
}

TEST_F(WineDeviceTree, MissingOrUnreadableDeviceValuesGiveTheDefaults) {
    AddPort(L"PORT\\0", widePort);
    EXPECT_EQ(ErrorOf([&] { TCustomComPortCtrl::LatencyTimer(port); }),
              "Не удалось получить значение \"LatencyTimer\"");
    EXPECT_EQ(ErrorOf([&] { TCustomComPortCtrl::ConfigData(port); }),
              "Не удалось получить значение \"ConfigData\"");
    {
        TTimingCtrl c;
        c.Open(port);
        EXPECT_EQ(c.LatTmr(), 1u);
        EXPECT_EQ(c.BfSz(), 256u);
    }
    // A timer that is text and configuration data longer than 64 bytes are read errors.
    keys.SetText(L"PORT\\0\\Device Parameters", L"LatencyTimer", L"16");
    keys.SetBinary(L"PORT\\0\\Device Parameters", L"ConfigData", std::vector<std::uint8_t>(65, 2));
    EXPECT_EQ(ErrorOf([&] { TCustomComPortCtrl::LatencyTimer(port); }),
              "Invalid data type for 'LatencyTimer'");
    EXPECT_EQ(ErrorOf([&] { TCustomComPortCtrl::ConfigData(port); }),
              "Failed to get data for 'ConfigData'");
    TTimingCtrl c;
    c.Open(port);
    EXPECT_EQ(c.LatTmr(), 1u);
    EXPECT_EQ(c.BfSz(), 256u);
    // Exactly 64 bytes are fine; fewer than three leave the default buffer.
    keys.SetBinary(L"PORT\\0\\Device Parameters", L"ConfigData", std::vector<std::uint8_t>(64, 3));
    EXPECT_EQ(TCustomComPortCtrl::ConfigData(port).size(), 64u);
    keys.SetBinary(L"PORT\\0\\Device Parameters", L"ConfigData", {9, 9});
    c.Open(port);
    EXPECT_EQ(c.BfSz(), 256u);
}

} // namespace
} // namespace zev
