// More ports and devices than an 8-bit worker index can tell apart: 300 simulated devices
// searched and written at once through the window. Indices 256 and up repeat 0 to 43, so the
// window must know each event by its sender; the bar must average all the run's workers; every
// row must show its own device's result. Runs alone, like the soak rounds.
//
// How many devices one search reaches on a given machine is a capacity figure, measured by the
// benchmarks (bench/RESULTS.md, "ports searched again"); here the one search must only list more
// devices than 256, so that row indices repeat too, and every listed device is checked.

#include "integration/faults/reliability_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zev {
namespace {

using namespace zev::test;

constexpr int kDevices = 300;

// Every 50th device, from the 8th on, answers every flash line malformed: it fails at its first
// line and never reports progress.
bool Fails(int pIndex) {
    return pIndex % 50 == 7;
}

TEST(ManyDevices, ThreeHundredDevicesAreListedWrittenAndShownEachInItsOwnRow) {
    TDemoFirmware demo = TinyFirmware();
    demo.flashSize = 64;
    demo.eepromSize = 64; // one flash line and one EEPROM line: 0 and 100 percent
    std::vector<std::vector<std::string>> options;
    for (int k = 0; k < kDevices; ++k) {
        TKeys keys;
        if (Fails(k)) keys.push_back({"fault", "nibble flash after=0"});
        options.push_back(OldDevice("M" + std::to_string(k), 0x5000u + k, keys));
    }
    DevSimFixture sim;
    sim.Start(SimDevices(options), 60000);
    std::vector<std::string> ports;
    for (int k = 0; k < kDevices; ++k) ports.push_back(sim.Pty("M" + std::to_string(k)));

    AppWindow app;
    PortsEnv::Set(ports);
    app.CreateWithPayload(MakeDemoPayload(demo));
    ASSERT_TRUE(app.WaitForRows(60000));
    const std::size_t listed = app.Window->Rows().size();
    ASSERT_GT(listed, 256u) << "too few devices answered the one search for indices to repeat";
    ASSERT_LE(listed, static_cast<std::size_t>(kDevices));
    std::vector<bool> found(kDevices, false);
    int listedFailing = 0;
    for (int k = 0; k < kDevices; ++k) {
        HeadlessDeviceRow* row = app.RowOfPort(ports[k]);
        if (row == nullptr) continue; // not reached by the one search
        found[k] = true;
        listedFailing += Fails(k) ? 1 : 0;
        EXPECT_TRUE(row->Checked()) << k;
        EXPECT_EQ(row->Line(0).rfind("\"M" + std::to_string(k) + "\" ", 0), 0u) << row->Caption;
    }
    EXPECT_EQ(static_cast<std::size_t>(std::count(found.begin(), found.end(), true)), listed)
        << "every row is a device of its own";

    ASSERT_TRUE(app.Ui.btnProg.Click());
    ASSERT_TRUE(app.WaitForRunEnd(120000));
    for (int k = 0; k < kDevices; ++k) {
        if (!found[k]) continue;
        const HeadlessDeviceRow* row = app.RowOfPort(ports[k]);
        EXPECT_EQ(row->Line(1), Fails(k) ? "   update error" : "   update successful") << k;
        EXPECT_EQ(row->Color, Fails(k) ? clRed : clGreen) << k;
    }
    EXPECT_EQ(app.Ui.lblState.Text, "update error");

    // The bar stays in range and ends at the mean of all the run's workers: the failed devices
    // count with 0.
    const auto& positions = app.Ui.pgbMain.Positions;
    ASSERT_GE(positions.size(), 3u);
    EXPECT_GE(*std::min_element(positions.begin(), positions.end()), 0);
    EXPECT_EQ(*std::max_element(positions.begin(), positions.end()),
              static_cast<int>((listed - listedFailing) * 100 * 10 / listed));
    EXPECT_EQ(positions.back(), 0);

    EXPECT_TRUE(app.WaitForThreads(app.BaseThreads(), 20000));
    sim.Stop(120000); // 300 dumps take a while under the sanitizers
    // Each healthy device got both lines in order (a request repeated when its answer was slow
    // on the loaded machine counts once) and one reset after them.
    const std::vector<TLineRef> lines = PackageLines(demo);
    for (int k = 0; k < kDevices; ++k) {
        SCOPED_TRACE(k);
        const TSimDeviceDump dump = sim.ReadDump("M" + std::to_string(k));
        if (!found[k]) {
            EXPECT_EQ(dump.Count('F'), 0u) << "a device not listed is not written";
            continue;
        }
        if (Fails(k)) {
            EXPECT_EQ(dump.Count('R'), 0u);
            continue;
        }
        ExpectLinesSent(dump, lines, lines.size(), false);
        EXPECT_EQ(dump.Count('R'), 1u);
        EXPECT_EQ(dump.Kinds().back(), 'R');
    }
}

} // namespace
} // namespace zev
