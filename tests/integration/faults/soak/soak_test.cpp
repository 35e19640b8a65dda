// The soak run: 32 devices updated at once through the window, about half of them with a random
// fault somewhere in their update, some on a paced serial line, in several seeded rounds. No
// worker may outlive its bounded time, a healthy device must be written and reset exactly as if
// it were alone, and no device may be shown as updated, or be reset, after an incomplete write.
// Run under the sanitizers by the CI, so a race or a memory fault fails the round too.

#include "integration/faults/reliability_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace zev {
namespace {

using namespace zev::test;

constexpr int kDevices = 32;
constexpr std::size_t kLines = 5; // the tiny package: three flash lines, two EEPROM lines

// What one device of a round was given and what it should come to.
struct TSoakDevice {
    std::string Name;
    std::string Fault; // "" for a healthy device
    bool Found = true; // listed by the search
    bool Updated = true;
};

// A small deterministic generator, the same on every platform.
class TSeeded {
public:
    explicit TSeeded(std::uint64_t pSeed) : FState(pSeed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint32_t Next(std::uint32_t pBelow) {
        FState = FState * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>((FState >> 33) % pBelow);
    }

private:
    std::uint64_t FState;
};

TSoakDevice MakeDevice(int pIndex, TSeeded& pRandom) {
    TSoakDevice d;
    d.Name = "SOAK" + std::to_string(pIndex);
    if (pRandom.Next(2) == 0) return d;

    static const char* const kTargets[] = {"id",
                                           "flash addr=0x400",
                                           "flash addr=0x440",
                                           "flash addr=0x480",
                                           "eeprom addr=0x00",
                                           "eeprom addr=0x20",
                                           "reset"};
    const std::uint32_t where = pRandom.Next(7);
    const std::string target = kTargets[where];
    const bool identity = where == 0;
    const std::string once = identity ? " n=2" : " n=1";
    const std::string always = identity ? " after=1" : "";
    switch (pRandom.Next(10)) {
    case 0: // one lost answer: sent again, the update goes on
        d.Fault = "drop " + target + once;
        break;
    case 1:
        d.Fault = "drop " + target + always;
        d.Updated = false;
        break;
    case 2:
        d.Fault = "nibble " + target + always;
        d.Updated = false;
        break;
    case 3:
        d.Fault = "short " + target + always;
        d.Updated = false;
        break;
    case 4:
        d.Fault = "noise " + target + always;
        d.Updated = false;
        break;
    case 5:
        d.Fault = "silence " + target + once;
        d.Updated = false;
        break;
    case 6:
        d.Fault = "close " + target + once;
        d.Updated = false;
        break;
    case 7:
        d.Fault = "idlen len=" + std::to_string(10 + pRandom.Next(39)) + " after=1";
        d.Updated = false;
        break;
    case 8: // the search's identity request is lost once: found all the same
        d.Fault = "drop id n=1";
        break;
    default: // the device answers no search at all
        d.Fault = "silence id n=1";
        d.Found = false;
        d.Updated = false;
        break;
    }
    return d;
}

class Soak : public ::testing::TestWithParam<int> {};

TEST_P(Soak, ThirtyTwoDevicesWithRandomFaults) {
    const int seed = GetParam();
    TSeeded random(static_cast<std::uint64_t>(seed));
    const TDemoFirmware demo = TinyFirmware(static_cast<std::uint32_t>(seed));
    const std::vector<TLineRef> lines = PackageLines(demo);
    ASSERT_EQ(lines.size(), kLines);

    std::vector<TSoakDevice> devices;
    std::vector<std::vector<std::string>> options;
    int healthy = 0;
    for (int k = 0; k < kDevices; ++k) {
        devices.push_back(MakeDevice(k, random));
        TKeys keys;
        if (!devices.back().Fault.empty()) keys.push_back({"fault", devices.back().Fault});
        if (random.Next(4) == 0) keys.push_back({"timing", "paced"});
        healthy += devices.back().Fault.empty() ? 1 : 0;
        options.push_back(OldDevice(devices.back().Name, 0x1000u * seed + k, keys));
    }
    DevSimFixture sim;
    sim.Start(SimDevices(options));
    std::vector<std::string> ports;
    for (const TSoakDevice& d : devices) ports.push_back(sim.Pty(d.Name));

    AppWindow app;
    PortsEnv::Set(ports);
    app.CreateWithPayload(MakeDemoPayload(demo));
    const auto log = std::make_shared<TWorkerLog>();
    app.Window->SetWorkerFactory(LoggedWorkers(log));
    ASSERT_TRUE(app.WaitForRows(30000)) << "nothing was found";

    std::size_t expectedRows = 0;
    for (const TSoakDevice& d : devices) expectedRows += d.Found ? 1 : 0;
    ASSERT_EQ(app.Window->Rows().size(), expectedRows);
    for (const TSoakDevice& d : devices) {
        HeadlessDeviceRow* row = app.RowOfPort(sim.Pty(d.Name));
        ASSERT_EQ(row != nullptr, d.Found) << d.Name << " " << d.Fault;
        if (row) {
            ASSERT_TRUE(row->Checked()) << d.Name;
        }
    }

    ASSERT_TRUE(app.Ui.btnProg.Click());
    ASSERT_TRUE(app.WaitForRunEnd(ProgWorkerBoundMs(kLines) + 10000)) << "the run did not end";
    ASSERT_TRUE(app.RunUntil([&] { return log->AllEnded(); }, 10000)) << "a worker is left";

    // Every worker ended within its bounded time.
    double slowest = 0;
    for (const TWorkerEnd& end : log->Ends()) {
        const double took = end.EndedMs - end.CreatedMs;
        if (end.Prog) slowest = std::max(slowest, took);
        EXPECT_LE(took, end.Prog ? ProgWorkerBoundMs(kLines) : SearchWorkerBoundMs())
            << (end.Prog ? "programming" : "search") << " worker of " << end.Port;
    }

    sim.Stop();
    bool anyFailed = false;
    for (const TSoakDevice& d : devices) {
        std::vector<TWorkerEnd> ends;
        const TWorkerEnd* worker = log->Prog(sim.Pty(d.Name), ends);
        SCOPED_TRACE(d.Name + " fault '" + d.Fault + "', worker error '" +
                     (worker ? worker->Error : "(none)") + "'");
        const TSimDeviceDump dump = sim.ReadDump(d.Name);
        const std::string kinds = dump.Kinds();
        HeadlessDeviceRow* row = app.RowOfPort(sim.Pty(d.Name));
        if (!d.Found) {
            EXPECT_EQ(kinds.find_first_not_of('I'), std::string::npos) << kinds;
            continue;
        }
        ASSERT_NE(row, nullptr);
        if (d.Updated) {
            EXPECT_EQ(row->Line(1), "   update successful");
            EXPECT_EQ(row->Color, clGreen);
            ExpectLinesSent(dump, lines, kLines, false);
            ASSERT_FALSE(kinds.empty());
            EXPECT_EQ(kinds.back(), 'R') << kinds;
        } else {
            anyFailed = true;
            EXPECT_EQ(row->Line(1), "   update error");
            EXPECT_EQ(row->Color, clRed);
        }
        // Never a reset before the last line was sent, whatever the device did.
        if (dump.Count('R') > 0) {
            EXPECT_EQ(LinesSent(dump).size(), kLines) << "reset after an incomplete write";
            EXPECT_EQ(kinds.find('R'), kinds.find_last_not_of('R') + 1) << kinds;
        }
        // A healthy device got exactly what it would alone: two identities, each line once, one
        // reset.
        if (d.Fault.empty()) {
            EXPECT_EQ(kinds, "IIFFFEER");
        }
    }
    EXPECT_EQ(app.Ui.lblState.Text, anyFailed ? "update error" : "Completed successfully");
    // The round in figures, for the reliability report.
    std::map<std::string, int> kinds;
    int updated = 0;
    for (const TSoakDevice& d : devices) {
        if (!d.Fault.empty()) ++kinds[d.Fault.substr(0, d.Fault.find(' '))];
        updated += d.Updated ? 1 : 0;
    }
    std::string faults;
    for (const auto& [kind, count] : kinds) faults += " " + kind + "=" + std::to_string(count);
    std::printf("soak seed %d: %d devices, %d healthy, %d updated, faults:%s; %d workers, slowest "
                "programming worker %.0f ms\n",
                seed, kDevices, healthy, updated, faults.c_str(), log->CreatedCount(), slowest);
}

INSTANTIATE_TEST_SUITE_P(Rounds, Soak, ::testing::Values(1, 2, 3, 4));

} // namespace
} // namespace zev
