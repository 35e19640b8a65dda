// Whole runs: a complete update package written to eight simulated devices at once, and a
// small image to many devices, as the programming run of the window does it.

#include "datafiles/package_builder.h"
#include "datafiles/package_check.h"
#include "prog_fixture.h"
#include "worker_harness.h"

#include <gtest/gtest.h>

namespace zev::test {
namespace {

using ProgRun = WorkerTest;

TEST_F(ProgRun, AWholePackageToEightDevicesAtOnce) {
    const TCheckedPackage package = CheckPackage(MakeDemoPayload(TDemoFirmware{}));
    ASSERT_EQ(package.flash.size(), 496u);
    ASSERT_EQ(package.eeprom.size(), 8u);
    // One pair of arrays shared by every worker, as the window hands them over.
    const auto flash = std::make_shared<const ALormanBootLoaderDataLines>(package.flash);
    const auto eeprom = std::make_shared<const ALormanBootLoaderDataLines>(package.eeprom);

    constexpr int kDevices = 8;
    std::vector<std::vector<std::string>> devices;
    for (int k = 0; k < kDevices; ++k)
        devices.push_back(SimTarget("dev" + std::to_string(k), 100 + k, {{"timing", "instant"}}));
    DevSimFixture sim;
    sim.Start(SimDevices(devices));

    std::vector<TWorkerRun> runs(kDevices);
    std::vector<TWorkerRun*> all;
    for (int k = 0; k < kDevices; ++k) {
        StartProg(runs[k], static_cast<std::uint8_t>(k), sim.Pty("dev" + std::to_string(k)),
                  Found(100 + k), flash, eeprom);
        all.push_back(&runs[k]);
    }
    ASSERT_TRUE(WaitGone(all, 120000));
    sim.Stop();

    for (int k = 0; k < kDevices; ++k) {
        SCOPED_TRACE("device " + std::to_string(k));
        const TWorkerRun& run = runs[k];
        ASSERT_EQ(run.Codes(true).back(), evDone) << run.Last().Error;
        const std::vector<std::uint32_t> progress = run.Progress();
        ASSERT_EQ(progress.size(), 504u);
        EXPECT_EQ(progress.front(), 0u);
        EXPECT_EQ(progress.back(), 100u);
        for (std::size_t i = 0; i < progress.size(); ++i)
            EXPECT_EQ(progress[i], ProgressPercent(static_cast<std::int64_t>(i), 503));
        for (const TSeenEvent& e : run.Events) EXPECT_EQ(ProgEventIndex(e.wParam), k);

        const TSimDeviceDump dump = sim.ReadDump("dev" + std::to_string(k));
        ExpectWritten(dump, package.flash, package.eeprom);
        EXPECT_EQ(dump.Count('R'), 1u);
        EXPECT_EQ(dump.Kinds().back(), 'R');
        EXPECT_EQ(dump.Count('X'), 0u) << "every frame arrived whole";
    }
}

TEST_F(ProgRun, ManyDevicesSomeFailingDoNotDisturbTheOthers) {
    DevSimFixture sim;
    sim.Start(SimDevices(
        {SimTarget("ok1", 1), SimTarget("bad", 2, {{"fault", "nibble flash addr=0x440"}}),
         SimTarget("ok2", 3), SimTarget("gone", 4, {{"fault", "close flash after=1"}}),
         SimTarget("ok3", 5, {{"timing", "paced"}})}));
    const auto flash = TinyFlash();
    const auto eeprom = TinyEeprom();
    const std::vector<std::string> names = {"ok1", "bad", "ok2", "gone", "ok3"};
    std::vector<TWorkerRun> runs(names.size());
    std::vector<TWorkerRun*> all;
    for (std::size_t k = 0; k < names.size(); ++k) {
        StartProg(runs[k], static_cast<std::uint8_t>(k), sim.Pty(names[k]),
                  Found(static_cast<std::int64_t>(k) + 1), flash, eeprom);
        all.push_back(&runs[k]);
    }
    ASSERT_TRUE(WaitGone(all, 60000));
    sim.Stop();
    for (std::size_t k = 0; k < names.size(); ++k) {
        SCOPED_TRACE(names[k]);
        const bool good = names[k].rfind("ok", 0) == 0;
        EXPECT_EQ(runs[k].Codes(true).back(), good ? evDone : evFailed);
        const TSimDeviceDump dump = sim.ReadDump(names[k]);
        if (good) {
            EXPECT_EQ(dump.Kinds(), "IFFFER");
            ExpectWritten(dump, *flash, *eeprom);
        } else {
            EXPECT_EQ(dump.Count('R'), 0u);
        }
    }
}

} // namespace
} // namespace zev::test
