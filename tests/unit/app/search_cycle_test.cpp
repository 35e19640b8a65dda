// The search cycle without any device: no port at all, and closing the window.

#include "platform/ports.h"
#include "support/app_window.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

using test::AppWindow;

TEST(SearchCycleTest, MachineWithoutPortsKeepsSearching) {
    AppWindow app; // no port on Linux: ZEV_PORTS is empty
    // Windows lists the system's COM ports; under Wine there is always one, for the machine's
    // first serial device (kept away from it: it opens the null device).
    if (const auto ports = os::ListSerialPortNames(); !ports.empty())
        GTEST_SKIP() << "the system lists " << ports.size() << " port(s), first " << ports[0];
    app.CreateWithPayload(test::PackagePayload());
    ASSERT_TRUE(app.RunUntil([&] { return app.Window->SearchCount() >= 4; }, 3000))
        << "searches: " << app.Window->SearchCount();
    EXPECT_EQ(app.Ui.lblState.Text, "Search . . .");
    EXPECT_TRUE(app.Ui.pgbMain.Marquee);
    EXPECT_TRUE(app.Window->Rows().empty());
    EXPECT_TRUE(app.Ui.pnlData.Shown.empty());
    EXPECT_FALSE(app.Ui.btnProg.Enabled());
    EXPECT_FALSE(app.Window->WorkersRunning());
}

TEST(SearchCycleTest, ClosingStopsEverything) {
    AppWindow app;
    app.CreateWithPayload(test::PackagePayload());
    ASSERT_TRUE(app.RunUntil([&] { return app.Window->SearchCount() >= 2; }, 3000));
    EXPECT_TRUE(app.Ui.btnCancel.Click());
    EXPECT_TRUE(app.Ui.Window.Closed);
    EXPECT_TRUE(app.Window->Closed());
    EXPECT_TRUE(ApplicationTerminating());
    const auto searches = app.Window->SearchCount();
    app.RunUntil([] { return false; }, 500);
    EXPECT_EQ(app.Window->SearchCount(), searches);
    EXPECT_EQ(app.Loop.ActiveTimers(), 0u);
    EXPECT_FALSE(app.Ui.tmrStartSearch.Enabled());
    EXPECT_FALSE(app.Ui.tmrStopSearch.Enabled());
}

} // namespace
} // namespace zev
