#include "bench/package.h"
#include "bench/report.h"
#include "bench/scenarios.h"
#include "bootloader/lorman_bootloader.h"
#include "bootloader/session_profiles.h"
#include "core/error.h"
#include "platform/timing.h"

#include <algorithm>
#include <numeric>

namespace zev::bench {

namespace {

struct TSpread {
    double Mean = 0, Min = 0, Max = 0;
};

TSpread Spread(const std::vector<double>& pValues) {
    TSpread s;
    if (pValues.empty()) return s;
    s.Mean =
        std::accumulate(pValues.begin(), pValues.end(), 0.0) / static_cast<double>(pValues.size());
    s.Min = *std::min_element(pValues.begin(), pValues.end());
    s.Max = *std::max_element(pValues.begin(), pValues.end());
    return s;
}

void PutSpread(const std::string& pKey, const TSpread& pSpread) {
    Put(pKey + "_mean_ms", pSpread.Mean, 3);
    Put(pKey + "_min_ms", pSpread.Min, 3);
    Put(pKey + "_max_ms", pSpread.Max, 3);
}

// How long SleepMs(pMs) really lasts, pCount times.
std::vector<double> TimeSleeps(double pMs, int pCount) {
    std::vector<double> times;
    for (int k = 0; k < pCount; ++k) {
        const double start = PerfMilliseconds();
        SleepMs(pMs);
        times.push_back(PerfMilliseconds() - start);
    }
    return times;
}

} // namespace

int RunSessionBench(const TBenchOptions& pOptions) {
    const TCheckedPackage package = LoadPackage(pOptions.Package);
    const std::size_t count = std::min<std::size_t>(pOptions.Count, package.flash.size());
    if (count == 0) Raise("the package has no flash lines");

    test::DevSimFixture sim(pOptions.DevSim);
    sim.Start(PacedDevices(pOptions, 1));
    std::vector<double> times;
    {
        TLormanBootLoader boot;
        boot.SetSessionParam(ProgSessionProfile());
        boot.Open(sim.Ports().front(), TCustomComPortCtrl::kReadWrite, false);
        boot.SetSetup(BootPortSetup());
        boot.DeviceID();
        for (std::size_t i = 0; i < count; ++i) {
            const TLormanBootLoaderDataLine& line = package.flash[i];
            const double start = PerfMilliseconds();
            boot.Flash(line.A, line.D);
            times.push_back(PerfMilliseconds() - start);
        }
        boot.Close();
    }
    sim.Stop();

    const TExchange flash{kFrameOverhead + 2 + package.flash.front().D.size(), kEmptyAnswer,
                          pOptions.Times.FlashMs};
    Put("scenario", "session");
    Put("flash_lines", static_cast<long long>(count));
    Put("flash_line_floor_ms", SessionFloorMs(flash, pOptions.Baud), 3);
    PutSpread("flash_line", Spread(times));
    // The two sleeps of a flash exchange: the pause after writing and one poll interval.
    const double pause = SleptMs(2.0 * 8000.0 / pOptions.Baud * (flash.Request - 2));
    Put("pause_ms", pause, 0);
    PutSpread("sleep_pause", Spread(TimeSleeps(pause, 20)));
    PutSpread("sleep_1", Spread(TimeSleeps(1, 200)));
    return 0;
}

} // namespace zev::bench
