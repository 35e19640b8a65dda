// A package against devices whose own account of their memory (information record address,
// highest flash address, EEPROM size) takes it or not, through the window's search: a device
// that would get the package in the wrong place, or only part of it, is "update not supported"
// and never ticked; the standard layouts fit as they always did.

#include "integration/faults/reliability_support.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace zev {
namespace {

using namespace zev::test;

struct TFitCase {
    std::string Name;
    TDemoFirmware Package;
    TKeys Identity; // zev-devsim keys; the rest are the simulator's defaults (0x400, 0xFFFF, 256)
    bool Fits;
};

void PrintTo(const TFitCase& pCase, std::ostream* pOut) {
    *pOut << pCase.Name;
}

// The demo package: flash 0x400 .. 0x7FFF, 256 EEPROM bytes.
TDemoFirmware Standard() {
    return TDemoFirmware{};
}

// Linked for a part whose record lies one page higher (zev-pack --record-at 0x800).
TDemoFirmware RecordAt800() {
    TDemoFirmware demo = TinyFirmware();
    demo.flashAddress = 0x800;
    return demo;
}

// No EEPROM block at all.
TDemoFirmware FlashOnly() {
    TDemoFirmware demo = TinyFirmware();
    demo.eepromSize = 0;
    return demo;
}

std::vector<TFitCase> Cases() {
    return {
        {"StandardDevice", Standard(), {}, true},
        {"MemoryExactlyThePackages",
         Standard(),
         {{"dAdressMax", "0x7FFF"}, {"dEepromMax", "256"}},
         true},
        {"FlashOneWordShort", Standard(), {{"dAdressMax", "0x7FFD"}}, false},
        {"EepromOneCellShort", Standard(), {{"dEepromMax", "255"}}, false},
        {"RecordOnePageHigher", Standard(), {{"dAdressInf", "0x0800"}}, false},
        {"RecordLower", Standard(), {{"dAdressInf", "0x0200"}}, false},
        {"PackageForRecordAt800", RecordAt800(), {{"dAdressInf", "0x0800"}}, true},
        {"PackageForRecordAt800OnStandardDevice", RecordAt800(), {}, false},
        {"NoEepromWrittenOnTheSmallestEeprom", FlashOnly(), {{"dEepromMax", "1"}}, true},
    };
}

class MemoryFitMatrix : public ::testing::TestWithParam<TFitCase> {};

TEST_P(MemoryFitMatrix, RowAndDeviceAgree) {
    const TFitCase& c = GetParam();
    DevSimFixture sim;
    sim.Start(OldDevice("DEV", 0x71, c.Identity));
    const std::string port = sim.Pty("DEV");

    AppWindow app;
    PortsEnv::Set({port});
    app.CreateWithPayload(MakeDemoPayload(c.Package));
    ASSERT_FALSE(app.Window->StartupFailed());
    ASSERT_TRUE(app.WaitForRows(20000)) << "the device was not found";
    HeadlessDeviceRow* row = app.RowOfPort(port);
    ASSERT_NE(row, nullptr);

    if (c.Fits) {
        EXPECT_EQ(row->Caption, "\"DEV\" 00000071 v.1.04  (isp.1, izm.2)");
        EXPECT_TRUE(row->Checked()) << "an older device is ticked";
        EXPECT_TRUE(app.Ui.btnProg.Enabled());
    } else {
        EXPECT_EQ(row->Line(1), "   update not supported");
        EXPECT_FALSE(row->Checked());
        EXPECT_FALSE(row->BoxEnabled);
        EXPECT_FALSE(row->Click()) << "it cannot be ticked";
        EXPECT_FALSE(app.Ui.btnProg.Enabled());
        EXPECT_FALSE(app.Ui.btnProg.Click());
        app.RunUntil([] { return false; }, 200);
        sim.Stop();
        EXPECT_EQ(sim.ReadDump("DEV").Kinds(), "I") << "asked once, never written";
    }
}

INSTANTIATE_TEST_SUITE_P(Identity, MemoryFitMatrix, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<TFitCase>& info) {
                             return info.param.Name;
                         });

} // namespace
} // namespace zev
