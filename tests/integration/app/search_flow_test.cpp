// The window's search cycle against simulated devices: repeating until a device answers, the
// order of the rows, the three row states and the "Next" button.

#include "flow_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zev {
namespace {

using namespace zev::test;

TEST(SearchFlowTest, SearchRepeatsUntilTheDeviceAnswers) {
    DevSimFixture sim;
    // The first search's identity requests all go unanswered; the second search finds it.
    sim.Start(FittingDevice("late", "1.04", "0x51", {{"fault", "drop id first=3"}}));
    AppWindow app;
    PortsEnv::Set({sim.Pty("late")});
    app.CreateWithPayload(MakeDemoPayload(SmallFirmware()));
    ASSERT_TRUE(app.RunUntil([&] { return app.Window->SearchCount() >= 2; }, 10000));
    EXPECT_TRUE(app.Window->Rows().empty());
    EXPECT_EQ(app.Ui.lblState.Text, "Search . . .");
    EXPECT_TRUE(app.Ui.pgbMain.Marquee);
    ASSERT_TRUE(app.WaitForRows());
    EXPECT_EQ(app.Ui.lblState.Text, "Devices found: 1");
    EXPECT_FALSE(app.Ui.pgbMain.Marquee);
    EXPECT_TRUE(app.Ui.btnProg.Enabled());
    const auto searches = app.Window->SearchCount();
    app.RunUntil([] { return false; }, 400);
    EXPECT_EQ(app.Window->SearchCount(), searches) << "no search once devices are listed";
}

TEST(SearchFlowTest, PortThatAppearsLaterIsFound) {
    DevSimFixture sim;
    sim.Start(FittingDevice("usb", "1.04", "0x52"));
    AppWindow app; // no port at first
    app.CreateWithPayload(MakeDemoPayload(SmallFirmware()));
    ASSERT_TRUE(app.RunUntil([&] { return app.Window->SearchCount() >= 3; }, 5000));
    EXPECT_TRUE(app.Window->Rows().empty());
    ASSERT_FALSE(app.Window->WorkersRunning());
    PortsEnv::Set({sim.Pty("usb")}); // the adapter is plugged in
    ASSERT_TRUE(app.WaitForRows());
    ASSERT_EQ(app.Window->Devices().size(), 1u);
    EXPECT_EQ(app.Window->Devices()[0].Port, sim.Pty("usb"));
}

TEST(SearchFlowTest, LastFoundDeviceIsOnTop) {
    DevSimFixture sim;
    // b answers the first identity request, c only the second, a only the third: each a whole
    // attempt (300 ms time-out and 400 ms pause) after the one before, so the order they are
    // found in is b, c, a however loaded the machine.
    sim.Start(SimDevices({
        FittingDevice("a", "1.04", "0x0A", {{"fault", "drop id first=2"}}),
        FittingDevice("b", "1.04", "0x0B"),
        FittingDevice("c", "1.04", "0x0C", {{"fault", "drop id first=1"}}),
    }));
    AppWindow app;
    PortsEnv::Set({sim.Pty("a"), sim.Pty("b"), sim.Pty("c")});
    app.CreateWithPayload(MakeDemoPayload(SmallFirmware()));
    ASSERT_TRUE(app.WaitForRows());
    const auto& devices = app.Window->Devices();
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].Port, sim.Pty("b"));
    EXPECT_EQ(devices[1].Port, sim.Pty("c"));
    EXPECT_EQ(devices[2].Port, sim.Pty("a"));
    const auto& shown = app.ShownRows();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0]->Line(0), "\"a\" 0000000A v.1.04  (isp.1, izm.2)");
    EXPECT_EQ(shown[1]->Line(0), "\"c\" 0000000C v.1.04  (isp.1, izm.2)");
    EXPECT_EQ(shown[2]->Line(0), "\"b\" 0000000B v.1.04  (isp.1, izm.2)");
}

TEST(SearchFlowTest, RowsShowTheThreeStatesAndNextFollowsTheTicks) {
    DevSimFixture sim;
    sim.Start(SimDevices({
        FittingDevice("OLD", "1.04", "0x11"),
        FittingDevice("SAME", "1.05", "0x12"),
        FittingDevice("OTHER", "1.00", "0x13", {{"dBootTypeP", "0x0043"}}),
        FittingDevice("VARIANT", "1.00", "0x14", {{"dIspolnenieP", "2"}}),
    }));
    AppWindow app;
    PortsEnv::Set({sim.Pty("OLD"), sim.Pty("SAME"), sim.Pty("OTHER"), sim.Pty("VARIANT")});
    app.CreateWithPayload(MakeDemoPayload(SmallFirmware()));
    ASSERT_TRUE(app.WaitForRows());
    EXPECT_EQ(app.Ui.lblState.Text, "Devices found: 4");

    HeadlessDeviceRow* old = app.RowOfPort(sim.Pty("OLD"));
    HeadlessDeviceRow* same = app.RowOfPort(sim.Pty("SAME"));
    HeadlessDeviceRow* other = app.RowOfPort(sim.Pty("OTHER"));
    HeadlessDeviceRow* variant = app.RowOfPort(sim.Pty("VARIANT"));
    ASSERT_TRUE(old && same && other && variant);

    // The device name travels as ten bytes with zeros after "OLD"; they are left out.
    EXPECT_EQ(old->Caption, "\"OLD\" 00000011 v.1.04  (isp.1, izm.2)");
    EXPECT_TRUE(old->Checked());
    EXPECT_TRUE(old->BoxEnabled);
    EXPECT_EQ(same->Caption,
              "\"SAME\" 00000012 v.1.05  (isp.1, izm.2)\r\n   update is not required");
    EXPECT_FALSE(same->Checked());
    EXPECT_TRUE(same->BoxEnabled);
    EXPECT_EQ(other->Line(1), "   update not supported");
    EXPECT_FALSE(other->Checked());
    EXPECT_FALSE(other->BoxEnabled);
    EXPECT_EQ(variant->Line(1), "   update not supported") << "older, but another variant";
    EXPECT_FALSE(variant->BoxEnabled);
    for (auto* row : {old, same, other, variant}) EXPECT_EQ(row->Icon, kPictureDevice);

    EXPECT_TRUE(app.Ui.btnProg.Enabled());
    EXPECT_TRUE(old->Click()); // untick the only ticked row
    EXPECT_FALSE(app.Ui.btnProg.Enabled());
    EXPECT_FALSE(other->Click());
    EXPECT_FALSE(app.Ui.btnProg.Enabled());
    EXPECT_TRUE(same->Click()); // an up-to-date device can be chosen
    EXPECT_TRUE(app.Ui.btnProg.Enabled());
    EXPECT_TRUE(same->Click());
    EXPECT_FALSE(app.Ui.btnProg.Enabled());
    EXPECT_FALSE(app.Ui.btnProg.Click()) << "a disabled Next cannot be pressed";
    app.RunUntil([] { return false; }, 300);
    EXPECT_EQ(app.Ui.lblState.Text, "Devices found: 4");
}

TEST(SearchFlowTest, WorkerThatCannotBeMadeDoesNotHoldUpTheSearch) {
    DevSimFixture sim;
    sim.Start(SimDevices(
        {FittingDevice("skipped", "1.04", "0x21"), FittingDevice("found", "1.04", "0x22")}));
    AppWindow app;
    PortsEnv::Set({sim.Pty("skipped"), sim.Pty("found")});
    int made = 0;
    app.Create([](ABytes& bytes) { bytes = MakeDemoPayload(SmallFirmware()); }, kLangEnglish);
    TWorkerFactory factory;
    factory.NewSearchWorker = [&made]() -> TLormanSearchBootLoaderThreadCtrl* {
        if (made++ == 0) throw std::runtime_error("out of threads");
        return new TLormanSearchBootLoaderThreadCtrl;
    };
    app.Window->SetWorkerFactory(factory);
    ASSERT_TRUE(app.WaitForRows());
    ASSERT_EQ(app.Window->Devices().size(), 1u);
    EXPECT_EQ(app.Window->Devices()[0].Port, sim.Pty("found"));
    EXPECT_EQ(app.Window->SearchCount(), 1u);
}

TEST(SearchFlowTest, ClosingDuringASearchEndsItsWorkers) {
    DevSimFixture sim;
    sim.Start(SimDevices({SimDevice("mute1", {{"fault", "silence id"}}),
                          SimDevice("mute2", {{"fault", "silence id"}})}));
    AppWindow app;
    PortsEnv::Set({sim.Pty("mute1"), sim.Pty("mute2")});
    app.CreateWithPayload(MakeDemoPayload(SmallFirmware()));
    ASSERT_TRUE(app.RunUntil([&] { return app.Window->WorkersRunning(); }, 3000));
    app.RunUntil([] { return false; }, 200);
    EXPECT_GE(ThreadCount(), app.BaseThreads() + 2) << "both workers are searching";
    EXPECT_TRUE(app.Ui.btnCancel.Click());
    EXPECT_TRUE(ApplicationTerminating());
    // A worker waits out its current attempt (at most 300 ms and a 400 ms pause) and ends
    // without waiting for the main thread.
    EXPECT_TRUE(app.WaitForThreads(app.BaseThreads(), 4000));
    EXPECT_EQ(app.Window->SearchCount(), 1u);
    EXPECT_TRUE(app.Window->Rows().empty());
}

} // namespace
} // namespace zev
