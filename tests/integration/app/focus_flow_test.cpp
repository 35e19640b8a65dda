// Where the keyboard focus goes: parked on the progress bar while nothing may be pressed, on
// "Next" once a ticked device is listed (else on the first row that can be ticked), and back on
// the progress bar when "Next" starts the run, so that a second key press never reaches "Close".

#include "flow_support.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

using namespace zev::test;

TEST(FocusFlowTest, FocusFollowsWhatMayBePressed) {
    DevSimFixture sim;
    sim.Start(
        SimDevices({FittingDevice("old", "1.04", "0x61"), FittingDevice("new", "1.05", "0x62")}));
    AppWindow app;
    PortsEnv::Set({sim.Pty("old"), sim.Pty("new")});
    app.CreateWithPayload(MakeDemoPayload(SmallFirmware()));
    EXPECT_EQ(app.Ui.Focus.Owner, &app.Ui.pgbMain) << "searching: nothing to press";
    ASSERT_TRUE(app.WaitForRows());
    EXPECT_EQ(app.Ui.Focus.Owner, &app.Ui.btnProg);

    ASSERT_TRUE(app.Ui.btnProg.Click());
    EXPECT_EQ(app.Ui.Focus.Owner, &app.Ui.pgbMain) << "the focus left \"Next\" for the bar";
    EXPECT_FALSE(app.Ui.btnProg.Enabled());
    ASSERT_TRUE(app.WaitForRunEnd());
    EXPECT_FALSE(app.Ui.Window.Closed);
    sim.Dump();
    ExpectHoldsPackage(sim.ReadDump("old"), SmallFirmware());
}

TEST(FocusFlowTest, WithoutATickedRowTheFirstRowThatCanBeTickedHasTheFocus) {
    DevSimFixture sim;
    sim.Start(SimDevices({FittingDevice("same", "1.05", "0x63"),
                          SimDevice("alien", {{"dBootTypeP", "0x0077"}, {"dVerProg", "1.00"}})}));
    AppWindow app;
    PortsEnv::Set({sim.Pty("same"), sim.Pty("alien")});
    app.CreateWithPayload(MakeDemoPayload(SmallFirmware()));
    ASSERT_TRUE(app.WaitForRows());
    ASSERT_EQ(app.Window->Rows().size(), 2u);
    EXPECT_FALSE(app.Ui.btnProg.Enabled());
    EXPECT_EQ(app.Ui.Focus.Owner, app.RowOfPort(sim.Pty("same")));
}

} // namespace
} // namespace zev
