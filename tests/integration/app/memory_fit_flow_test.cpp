// Devices whose own account of their memory does not take the package: listed "update not
// supported", never ticked, never written, while a device beside them is updated.

#include "flow_support.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

using namespace zev::test;

TEST(MemoryFitFlowTest, DevicesThatWouldTakeThePackageElsewhereAreNotSupported) {
    // Flash lines 0x400 .. 0x67F, 32 EEPROM bytes.
    const TDemoFirmware demo = SmallFirmware();
    DevSimFixture sim;
    sim.Start(SimDevices({
        // Exactly as much memory as the package writes.
        FittingDevice("EXACT", "1.04", "0x61", {{"dAdressMax", "0x067F"}, {"dEepromMax", "32"}}),
        FittingDevice("RECORD", "1.04", "0x62", {{"dAdressInf", "0x0800"}}),
        FittingDevice("FLASH", "1.04", "0x63", {{"dAdressMax", "0x067D"}}),
        FittingDevice("EEPROM", "1.04", "0x64", {{"dEepromMax", "31"}}),
    }));
    AppWindow app;
    PortsEnv::Set({sim.Pty("EXACT"), sim.Pty("RECORD"), sim.Pty("FLASH"), sim.Pty("EEPROM")});
    app.CreateWithPayload(MakeDemoPayload(demo));
    ASSERT_TRUE(app.WaitForRows());

    HeadlessDeviceRow* exact = app.RowOfPort(sim.Pty("EXACT"));
    ASSERT_NE(exact, nullptr);
    EXPECT_EQ(exact->Caption, "\"EXACT\" 00000061 v.1.04  (isp.1, izm.2)");
    EXPECT_TRUE(exact->Checked());
    for (const char* name : {"RECORD", "FLASH", "EEPROM"}) {
        SCOPED_TRACE(name);
        HeadlessDeviceRow* row = app.RowOfPort(sim.Pty(name));
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->Line(1), "   update not supported") << "older, but its memory differs";
        EXPECT_FALSE(row->Checked());
        EXPECT_FALSE(row->BoxEnabled);
        EXPECT_FALSE(row->Click()) << "it cannot be ticked";
    }

    ASSERT_TRUE(app.Ui.btnProg.Click());
    ASSERT_TRUE(app.WaitForRunEnd());
    EXPECT_EQ(app.Ui.lblState.Text, "Completed successfully");
    EXPECT_EQ(exact->Line(1), "   update successful");
    EXPECT_TRUE(app.WaitForThreads(app.BaseThreads(), 5000));
    sim.Stop();
    ExpectHoldsPackage(sim.ReadDump("EXACT"), demo);
    for (const char* name : {"RECORD", "FLASH", "EEPROM"})
        EXPECT_EQ(sim.ReadDump(name).Kinds(), "I") << name << ": asked once, never written";
}

} // namespace
} // namespace zev
