// The programming run against simulated devices: every ticked device written at once, the
// common progress bar, a result per row, and the line at the end.

#include "flow_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace zev {
namespace {

using namespace zev::test;

// Presses "Next" and waits for the end of the run.
void RunProgramming(AppWindow& app) {
    ASSERT_TRUE(app.Ui.btnProg.Click());
    EXPECT_FALSE(app.Ui.btnProg.Enabled()) << "Next is disabled at once";
    ASSERT_TRUE(app.WaitForRunEnd());
}

TEST(ProgFlowTest, TickedDevicesAreWrittenAndTurnGreen) {
    const TDemoFirmware demo = SmallFirmware();
    DevSimFixture sim;
    sim.Start(SimDevices({
        FittingDevice("OLD", "1.04", "0x31"),
        FittingDevice("SAME", "1.05", "0x32"),
        FittingDevice("OTHER", "1.00", "0x33", {{"dPlateIzmP", "3"}}),
        FittingDevice("SKIP", "1.00", "0x34"),
    }));
    AppWindow app;
    PortsEnv::Set({sim.Pty("OLD"), sim.Pty("SAME"), sim.Pty("OTHER"), sim.Pty("SKIP")});
    app.CreateWithPayload(MakeDemoPayload(demo));
    ASSERT_TRUE(app.WaitForRows());
    HeadlessDeviceRow* old = app.RowOfPort(sim.Pty("OLD"));
    HeadlessDeviceRow* same = app.RowOfPort(sim.Pty("SAME"));
    HeadlessDeviceRow* other = app.RowOfPort(sim.Pty("OTHER"));
    HeadlessDeviceRow* skip = app.RowOfPort(sim.Pty("SKIP"));
    ASSERT_TRUE(old && same && other && skip);
    ASSERT_TRUE(same->Click()); // up to date, chosen anyway
    ASSERT_TRUE(skip->Click()); // to be updated, left out
    const std::string skipCaption = skip->Caption;
    const std::string otherCaption = other->Caption;

    RunProgramming(app);
    EXPECT_EQ(app.Ui.lblState.Text, "Completed successfully");
    EXPECT_EQ(app.Ui.lblState.Color, clWindowText);
    EXPECT_EQ(app.Ui.pgbMain.Position, 0);
    EXPECT_FALSE(app.Ui.btnProg.Enabled());
    for (auto* row : {old, same}) {
        EXPECT_EQ(row->Line(1), "   update successful");
        EXPECT_EQ(row->Color, clGreen);
        EXPECT_FALSE(row->RowEnabled);
        EXPECT_FALSE(row->Checked());
    }
    // Rows that were not ticked keep their text and state, disabled like every row.
    EXPECT_EQ(skip->Caption, skipCaption);
    EXPECT_EQ(other->Caption, otherCaption);
    EXPECT_FALSE(skip->RowEnabled);
    EXPECT_FALSE(other->RowEnabled);
    EXPECT_FALSE(skip->Click());

    // No failure: each row's hint is its port alone, and the list stays where it was.
    for (const char* name : {"OLD", "SAME", "OTHER", "SKIP"})
        EXPECT_EQ(app.RowOfPort(sim.Pty(name))->Hint, sim.Pty(name));
    EXPECT_TRUE(app.Ui.pnlData.ScrolledTo.empty());

    // The bar: positions only grow during the run, reach 1000 and return to 0.
    const auto& positions = app.Ui.pgbMain.Positions;
    ASSERT_GE(positions.size(), 3u);
    EXPECT_EQ(positions.back(), 0);
    EXPECT_EQ(*std::max_element(positions.begin(), positions.end()), 1000);
    const auto first = std::find(positions.begin(), positions.end(), 1000);
    EXPECT_TRUE(std::is_sorted(positions.begin() + 1, first));

    EXPECT_TRUE(app.WaitForThreads(app.BaseThreads(), 5000));
    sim.Stop();
    ExpectHoldsPackage(sim.ReadDump("OLD"), demo);
    ExpectHoldsPackage(sim.ReadDump("SAME"), demo);
    EXPECT_EQ(sim.ReadDump("OLD").Kinds(), "II" + std::string(10, 'F') + "ER");
    EXPECT_EQ(sim.ReadDump("OTHER").Kinds(), "I");
    EXPECT_EQ(sim.ReadDump("SKIP").Kinds(), "I");
}

TEST(ProgFlowTest, OneDeviceFailingTurnsRedAtOnceAndTheRunEndsInError) {
    // Eleven lines: line k reports k * 10 percent.
    const TDemoFirmware demo = SmallFirmware(10);
    DevSimFixture sim;
    sim.Start(SimDevices({
        // Five flash lines go well, then every answer is malformed: its last progress is 40.
        FittingDevice("weak", "1.04", "0x41", {{"fault", "nibble flash after=5"}}),
        // Slower, so that it is still writing when the other one fails.
        FittingDevice("strong", "1.04", "0x42", {{"timing", "paced"}, {"flash-ms", "200"}}),
    }));
    AppWindow app;
    PortsEnv::Set({sim.Pty("weak"), sim.Pty("strong")});
    app.CreateWithPayload(MakeDemoPayload(demo));
    ASSERT_TRUE(app.WaitForRows());
    HeadlessDeviceRow* weak = app.RowOfPort(sim.Pty("weak"));
    HeadlessDeviceRow* strong = app.RowOfPort(sim.Pty("strong"));
    ASSERT_TRUE(weak && strong);

    ASSERT_TRUE(app.Ui.btnProg.Click());
    ASSERT_TRUE(app.RunUntil([&] { return weak->Color == clRed; }, 20000));
    EXPECT_EQ(weak->Line(1), "   update error");
    EXPECT_FALSE(weak->RowEnabled);
    EXPECT_FALSE(app.Window->RunFinished()) << "the other device is still being written";
    EXPECT_EQ(strong->Color, clWindowText);
    EXPECT_EQ(app.Ui.lblState.Text, "Downloading update . . .");

    ASSERT_TRUE(app.WaitForRunEnd());
    EXPECT_EQ(strong->Line(1), "   update successful");
    EXPECT_EQ(strong->Color, clGreen);
    // The failed device keeps its 40 in the mean: 40 and 90 give 650, 40 and 100 give 700.
    const auto& positions = app.Ui.pgbMain.Positions;
    EXPECT_NE(std::find(positions.begin(), positions.end(), 650), positions.end());
    EXPECT_EQ(positions[positions.size() - 2], 700);
    EXPECT_EQ(positions.back(), 0);
    // A failure is not reported as success.
    EXPECT_EQ(app.Ui.lblState.Text, "update error");
    EXPECT_EQ(app.Ui.lblState.Color, clRed);
    EXPECT_FALSE(app.Ui.btnProg.Enabled());

    EXPECT_TRUE(app.WaitForThreads(app.BaseThreads(), 5000));
    sim.Stop();
    ExpectHoldsPackage(sim.ReadDump("strong"), demo);
    EXPECT_EQ(sim.ReadDump("weak").Count('R'), 0u) << "a half-written device is not reset";
}

// Each failed row carries the failure text its worker built as its hint, in the current
// language, while its caption and colour stay those of any failed row; when the run ends the
// first failed row from the top is brought into view.
TEST(ProgFlowTest, FailedRowsExplainThemselvesAndTheFirstFromTheTopComesIntoView) {
    TDemoFirmware demo = SmallFirmware(4);
    demo.name = "\xC4\xE5\xEC\xEE"; // Windows-1251 "Демо": the window speaks Russian
    DevSimFixture sim;
    sim.Start(SimDevices({
        FittingDevice("lines", "1.04", "0x91", {{"fault", "nibble flash after=2"}}),
        FittingDevice("mute", "1.04", "0x92", {{"fault", "silence id after=1"}}),
        FittingDevice("gone", "1.04", "0x93"),
        FittingDevice("fine", "1.04", "0x94"),
    }));
    // "gone" is known by a link that is removed after the search.
    const auto link = ScratchPath("gone-port");
    std::filesystem::create_symlink(sim.Pty("gone"), link);
    AppWindow app;
    PortsEnv::Set({sim.Pty("lines"), sim.Pty("mute"), link.string(), sim.Pty("fine")});
    app.CreateWithPayload(MakeDemoPayload(demo));
    ASSERT_TRUE(app.WaitForRows());
    ASSERT_EQ(app.Window->Rows().size(), 4u);
    std::filesystem::remove(link);
    HeadlessDeviceRow* lines = app.RowOfPort(sim.Pty("lines"));
    HeadlessDeviceRow* mute = app.RowOfPort(sim.Pty("mute"));
    HeadlessDeviceRow* gone = app.RowOfPort(link.string());
    HeadlessDeviceRow* fine = app.RowOfPort(sim.Pty("fine"));
    ASSERT_TRUE(lines && mute && gone && fine);

    RunProgramming(app);
    // Flash line 2 failed three times; the second identity request went unanswered; the port
    // was gone.
    const struct {
        HeadlessDeviceRow* row;
        const char* hint;
        std::string port;
    } failed[] = {
        {lines, "ошибка обновления 0xF002", sim.Pty("lines")},
        {mute, "устройство не отвечает", sim.Pty("mute")},
        {gone, "устройство не доступно", link.string()},
    };
    for (const auto& f : failed) {
        // The failure, then the port.
        EXPECT_EQ(f.row->Hint, f.hint + ("\r\n" + f.port)) << f.row->Caption;
        EXPECT_EQ(f.row->Line(1), "   ошибка обновления");
        EXPECT_EQ(f.row->Color, clRed);
    }
    EXPECT_EQ(fine->Hint, sim.Pty("fine"));
    EXPECT_EQ(fine->Color, clGreen);

    // Brought into view once, at the end of the run: the highest failed row of the list.
    const auto& shown = app.ShownRows();
    const auto firstFailed = std::find_if(
        shown.begin(), shown.end(), [](const HeadlessDeviceRow* r) { return r->Color == clRed; });
    ASSERT_NE(firstFailed, shown.end());
    ASSERT_EQ(app.Ui.pnlData.ScrolledTo.size(), 1u);
    EXPECT_EQ(app.Ui.pnlData.ScrolledTo[0], *firstFailed);
    EXPECT_TRUE(app.WaitForThreads(app.BaseThreads(), 5000));
}

TEST(ProgFlowTest, DeviceSwappedAfterTheSearchIsNotWritten) {
    DevSimFixture sim;
    sim.Start(SimDevices(
        {FittingDevice("first", "1.04", "0x61"), FittingDevice("second", "1.04", "0x62")}));
    // The window knows the port by a link; after the search it leads to another device.
    const auto link = ScratchPath("port");
    std::filesystem::create_symlink(sim.Pty("first"), link);
    AppWindow app;
    PortsEnv::Set({link.string()});
    app.CreateWithPayload(MakeDemoPayload(SmallFirmware()));
    ASSERT_TRUE(app.WaitForRows());
    ASSERT_EQ(app.Window->Devices()[0].DevID.dID, 0x61);
    std::filesystem::remove(link);
    std::filesystem::create_symlink(sim.Pty("second"), link);

    RunProgramming(app);
    EXPECT_EQ(app.Row(0).Line(1), "   update error");
    EXPECT_EQ(app.Ui.lblState.Text, "update error");
    EXPECT_TRUE(app.WaitForThreads(app.BaseThreads(), 5000));
    sim.Stop();
    EXPECT_EQ(sim.ReadDump("second").Kinds(), "I") << "identity read, nothing written";
    EXPECT_EQ(sim.ReadDump("first").Kinds(), "I");
}

TEST(ProgFlowTest, WorkerThatCannotBeMadeFailsItsRowAndTheRunStillEnds) {
    const TDemoFirmware demo = SmallFirmware(2);
    DevSimFixture sim;
    sim.Start(SimDevices({FittingDevice("p", "1.04", "0x71"), FittingDevice("q", "1.04", "0x72")}));
    AppWindow app;
    PortsEnv::Set({sim.Pty("p"), sim.Pty("q")});
    app.CreateWithPayload(MakeDemoPayload(demo));
    // The first programming worker (for found device 0) cannot be made.
    int made = 0;
    TWorkerFactory factory;
    factory.NewProgWorker = [&made]() -> TLormanProgBootLoaderThreadCtrl* {
        if (made++ == 0) return nullptr;
        return new TLormanProgBootLoaderThreadCtrl;
    };
    app.Window->SetWorkerFactory(factory);
    ASSERT_TRUE(app.WaitForRows());
    const std::string lost = app.Window->Devices()[0].Port == sim.Pty("p") ? "p" : "q";
    const std::string kept = lost == "p" ? "q" : "p";

    RunProgramming(app);
    EXPECT_EQ(made, 2);
    EXPECT_EQ(app.Row(0).Line(1), "   update error");
    EXPECT_EQ(app.Row(0).Color, clRed);
    EXPECT_EQ(app.Row(1).Line(1), "   update successful");
    EXPECT_EQ(app.Ui.lblState.Text, "update error");
    EXPECT_TRUE(app.WaitForThreads(app.BaseThreads(), 5000));
    sim.Stop();
    EXPECT_EQ(sim.ReadDump(lost).Kinds(), "I");
    ExpectHoldsPackage(sim.ReadDump(kept), demo);
}

TEST(ProgFlowTest, ClosingDuringARunEndsItWithoutResettingAnyDevice) {
    const TDemoFirmware demo = SmallFirmware(60);
    DevSimFixture sim;
    const TKeys slow = {{"timing", "paced"}, {"flash-ms", "20"}};
    sim.Start(SimDevices(
        {FittingDevice("x", "1.04", "0x81", slow), FittingDevice("y", "1.04", "0x82", slow)}));
    AppWindow app;
    PortsEnv::Set({sim.Pty("x"), sim.Pty("y")});
    app.CreateWithPayload(MakeDemoPayload(demo));
    ASSERT_TRUE(app.WaitForRows());
    ASSERT_TRUE(app.Ui.btnProg.Click());
    ASSERT_TRUE(app.RunUntil([&] { return app.Window->Progress() >= 100; }, 20000));
    EXPECT_GE(ThreadCount(), app.BaseThreads() + 2) << "both workers are running";
    app.Ui.Window.Close();
    EXPECT_TRUE(app.Window->Closed());
    EXPECT_TRUE(ApplicationTerminating());
    const auto positions = app.Ui.pgbMain.Positions.size();
    // Each worker ends its current line and stops, without waiting for the main thread.
    EXPECT_TRUE(app.WaitForThreads(app.BaseThreads(), 3000));
    EXPECT_EQ(app.Ui.pgbMain.Positions.size(), positions) << "nothing is shown after closing";
    EXPECT_FALSE(app.Window->RunFinished());
    sim.Stop();
    for (const char* name : {"x", "y"}) {
        const TSimDeviceDump dump = sim.ReadDump(name);
        EXPECT_EQ(dump.Count('R'), 0u) << name;
        EXPECT_GT(dump.Count('F'), 0u) << name;
        EXPECT_LT(dump.Count('F'), 60u) << name;
    }
}

} // namespace
} // namespace zev
