// The window between its timers and its workers' events: closed between "Next" and the start of
// the run, or while a timer's call is already on its way; events from senders that hold no slot,
// or that arrive when the window is gone; "Next" pressed again once the run has begun.

#include "bootloader/prog_worker.h"
#include "bootloader/search_worker.h"
#include "bootloader/worker_events.h"
#include "flow_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace zev {
namespace {

using namespace zev::test;

// Waits without a condition, serving the loop.
void Idle(AppWindow& pApp, double pMs) {
    pApp.RunUntil([] { return false; }, pMs);
}

TEST(WindowEdgesTest, ClosingBetweenNextAndTheStartOfTheRunWritesNothing) {
    DevSimFixture sim;
    sim.Start(FittingDevice("old", "1.04", "0x61"));
    AppWindow app;
    PortsEnv::Set({sim.Pty("old")});
    app.CreateWithPayload(MakeDemoPayload(SmallFirmware()));
    ASSERT_TRUE(app.WaitForRows());
    ASSERT_TRUE(app.Ui.btnProg.Click());
    EXPECT_TRUE(app.Ui.tmrStartProg.Enabled()) << "the run starts 100 ms after Next";
    EXPECT_TRUE(app.Ui.btnCancel.Click());
    EXPECT_FALSE(app.Ui.tmrStartProg.Enabled());
    // Timer calls that were already on their way when the window closed.
    app.Window->tmrStartProgTimer();
    app.Window->tmrStopProgTimer();
    Idle(app, 300);
    EXPECT_EQ(app.Ui.tmrStartProg.Fired, 0);
    EXPECT_EQ(app.Ui.lblState.Text, "Devices found: 1") << "no run began";
    EXPECT_FALSE(app.Window->RunFinished());
    EXPECT_FALSE(app.Window->WorkersRunning());
    EXPECT_TRUE(app.WaitForThreads(app.BaseThreads(), 5000));
    sim.Stop();
    EXPECT_EQ(sim.ReadDump("old").Kinds(), "I") << "only the search's identity request";
}

TEST(WindowEdgesTest, SearchTimerCallsAfterClosingBuildNoListAndStartNoSearch) {
    DevSimFixture sim;
    sim.Start(FittingDevice("dev", "1.04", "0x62"));
    AppWindow app;
    PortsEnv::Set({sim.Pty("dev")});
    app.CreateWithPayload(MakeDemoPayload(SmallFirmware()));
    // Every search worker has reported: the timer that builds the list is armed.
    ASSERT_TRUE(app.RunUntil([&] { return app.Ui.tmrStopSearch.Enabled(); }, 10000));
    app.Ui.Window.Close();
    EXPECT_FALSE(app.Ui.tmrStopSearch.Enabled());
    app.Window->tmrStopSearchTimer();
    app.Window->tmrStartSearchTimer();
    Idle(app, 300);
    EXPECT_TRUE(app.Window->Rows().empty());
    EXPECT_TRUE(app.Ui.pnlData.Shown.empty());
    EXPECT_EQ(app.Window->SearchCount(), 1u);
    EXPECT_EQ(app.Ui.lblState.Text, "Search . . .");
    EXPECT_FALSE(app.Ui.btnProg.Enabled());
    EXPECT_EQ(app.Loop.ActiveTimers(), 0u);
}

// A sender that holds no slot is ignored, also when its index names a slot held by another
// worker: the event would otherwise end that worker's search or run for it.
TEST(WindowEdgesTest, EventsFromASenderThatHoldsNoSlotChangeNothing) {
    DevSimFixture sim;
    // The device answers the search's second attempt, so the search lasts a while; the run
    // writes slowly.
    sim.Start(
        FittingDevice("dev", "1.04", "0x63",
                      {{"fault", "drop id first=1"}, {"timing", "paced"}, {"flash-ms", "20"}}));
    AppWindow app;
    PortsEnv::Set({sim.Pty("dev")});
    app.CreateWithPayload(MakeDemoPayload(SmallFirmware(20)));
    ASSERT_TRUE(app.RunUntil([&] { return app.Window->WorkersRunning(); }, 5000));

    const auto searchStranger = std::make_unique<TLormanSearchBootLoaderThreadCtrl>();
    std::uint32_t res = 77;
    app.Window->SearchEvent(searchStranger.get(), 0, evDone, res);
    EXPECT_EQ(res, 0u);
    app.Window->SearchEvent(nullptr, 0, evFailed, res);
    EXPECT_TRUE(app.Window->Devices().empty());
    EXPECT_TRUE(app.Window->WorkersRunning()) << "slot 0 still holds its own worker";
    EXPECT_FALSE(app.Ui.tmrStopSearch.Enabled());
    ASSERT_TRUE(app.WaitForRows());
    ASSERT_EQ(app.Window->Devices().size(), 1u);
    EXPECT_EQ(app.Window->Devices()[0].Port, sim.Pty("dev"));

    ASSERT_TRUE(app.Ui.btnProg.Click());
    ASSERT_TRUE(app.RunUntil([&] { return app.Window->Progress() > 0; }, 10000));
    const auto progStranger = std::make_unique<TLormanProgBootLoaderThreadCtrl>();
    app.Window->ProgEvent(progStranger.get(), evFailed, 0, res);
    app.Window->ProgEvent(progStranger.get(), evProgress, 100, res);
    app.Window->ProgEvent(nullptr, evFailed, 0, res);
    EXPECT_EQ(res, 0u);
    EXPECT_TRUE(app.Window->WorkersRunning()) << "row 0 still holds its own worker";
    EXPECT_LT(app.Window->Progress(), 1000);
    ASSERT_TRUE(app.WaitForRunEnd());
    EXPECT_EQ(app.Ui.lblState.Text, "Completed successfully");
    EXPECT_EQ(app.Row(0).Color, clGreen);
}

// A worker whose event comes when the window is gone gets no answer from it: the call's result
// stays "BREAK", which ends the worker. Here the window goes while the workers' first event is
// on its way, so they end before touching their ports.
TEST(WindowEdgesTest, AnEventAfterTheWindowIsGoneEndsItsWorker) {
    DevSimFixture sim;
    sim.Start(SimDevices({FittingDevice("a", "1.04", "0x65"), FittingDevice("b", "1.04", "0x66")}));
    AppWindow app;
    PortsEnv::Set({sim.Pty("a"), sim.Pty("b")});
    app.CreateWithPayload(MakeDemoPayload(SmallFirmware()));
    // Stops as soon as the search has started its workers, before their first event is served.
    ASSERT_TRUE(app.RunUntil([&] { return app.Window->WorkersRunning(); }, 3000));
    app.Window.reset(); // not closed first: the window is simply gone
    EXPECT_TRUE(app.WaitForThreads(app.BaseThreads(), 10000));
    EXPECT_FALSE(ApplicationTerminating());
    sim.Stop();
    for (const char* name : {"a", "b"})
        EXPECT_EQ(sim.ReadDump(name).Count('I'), 0u) << name << " was asked after all";
}

TEST(WindowEdgesTest, NextPressedAgainAfterTheRunBeganStartsNoSecondRun) {
    const TDemoFirmware demo = SmallFirmware(20);
    DevSimFixture sim;
    sim.Start(FittingDevice("old", "1.04", "0x64", {{"timing", "paced"}, {"flash-ms", "20"}}));
    AppWindow app;
    PortsEnv::Set({sim.Pty("old")});
    app.CreateWithPayload(MakeDemoPayload(demo));
    ASSERT_TRUE(app.WaitForRows());
    ASSERT_TRUE(app.Ui.btnProg.Click());
    EXPECT_FALSE(app.Ui.btnProg.Click()) << "disabled at once";
    app.Window->btnProgClick(); // a second press already on its way, before the run starts
    ASSERT_TRUE(app.RunUntil([&] { return app.Window->Progress() > 0; }, 10000));
    app.Window->btnProgClick(); // and one while it runs
    ASSERT_TRUE(app.WaitForRunEnd());
    Idle(app, 300);
    EXPECT_EQ(app.Ui.tmrStartProg.Fired, 1);
    EXPECT_FALSE(app.Ui.btnProg.Enabled());
    EXPECT_EQ(app.Ui.lblState.Text, "Completed successfully");
    EXPECT_TRUE(app.WaitForThreads(app.BaseThreads(), 5000));
    sim.Stop();
    const TSimDeviceDump dump = sim.ReadDump("old");
    ExpectHoldsPackage(dump, demo);
    EXPECT_EQ(dump.Count('I'), 2u) << "one search, one run: " << dump.Kinds();
}

} // namespace
} // namespace zev
