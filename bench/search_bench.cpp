#include "bench/devsim_process.h"
#include "bench/report.h"
#include "bench/scenarios.h"
#include "bench/usage.h"
#include "bench/worker_runs.h"
#include "bootloader/session_profiles.h"
#include "bootloader/worker_events.h"
#include "core/error.h"
#include "threads/main_thread.h"

#include <algorithm>

namespace zev::bench {

namespace {

// What a silent port costs the search profile: every attempt waits for a first byte and then
// pauses.
double SilentRoundMs() {
    const TSessionParams p = SearchSessionProfile();
    return (p.Dublicate + 1.0) * (p.TimeOut + p.DublWait);
}

double Median(std::vector<double> pValues) {
    std::sort(pValues.begin(), pValues.end());
    const std::size_t n = pValues.size();
    return n % 2 ? pValues[n / 2] : (pValues[n / 2 - 1] + pValues[n / 2]) / 2;
}

} // namespace

int RunSilentSearchBench(const TBenchOptions& pOptions) {
    TDevSimProcess sim(pOptions.DevSim);
    // A device silenced from its first request on never answers: a port with nothing behind it.
    sim.Start(PacedDevices(pOptions, pOptions.Count, {"fault=silence any"}));
    HeadlessLoop loop;
    MainThreadScope scope(&loop);

    const double loadBefore = LoadAverage();
    const TSelfUsage before = SelfUsage();
    const std::vector<TWorkerTrack> runs = RunSearch(loop, sim.Ports(), 60000);
    const TSelfUsage after = SelfUsage();
    WaitForWorkerThreads(10000);
    const TChildUsage simUsage = sim.Stop();

    double first = runs.front().StartMs, last = runs.front().EndMs;
    double portMin = runs.front().WallMs(), portMax = portMin;
    for (const TWorkerTrack& t : runs) {
        first = std::min(first, t.StartMs);
        last = std::max(last, t.EndMs);
        portMin = std::min(portMin, t.WallMs());
        portMax = std::max(portMax, t.WallMs());
    }
    const double roundMs = last - first;
    const double cpuSec = after.CpuSec - before.CpuSec;
    const std::size_t n = runs.size();

    Put("scenario", "search");
    Put("ports", static_cast<long long>(n));
    Put("failed", static_cast<long long>(CountResult(runs, evFailed)));
    Put("done", static_cast<long long>(CountResult(runs, evDone)));
    Put("expected_ms", SilentRoundMs(), 1);
    Put("round_ms", roundMs, 1);
    Put("port_min_ms", portMin, 1);
    Put("port_max_ms", portMax, 1);
    Put("round_per_expected", roundMs / SilentRoundMs(), 4);
    Put("cpu_s", cpuSec, 3);
    Put("cpu_pct_total", cpuSec * 1000 / roundMs * 100, 2);
    Put("maxrss_kb", static_cast<long long>(after.MaxRssKb));
    Put("sim_cpu_s", simUsage.CpuSec, 3);
    Put("load_before", loadBefore, 2);
    return CountResult(runs, evFailed) == n ? 0 : 1;
}

int RunPresentSearchBench(const TBenchOptions& pOptions) {
    TDevSimProcess sim(pOptions.DevSim);
    sim.Start(PacedDevices(pOptions, 1));
    HeadlessLoop loop;
    MainThreadScope scope(&loop);

    std::vector<double> times;
    int found = 0;
    for (int r = 0; r < std::max(1, pOptions.Repeat); ++r) {
        const std::vector<TWorkerTrack> runs = RunSearch(loop, sim.Ports(), 10000);
        if (runs.front().Result == evDone) {
            ++found;
            times.push_back(runs.front().WallMs());
        }
        if (!WaitForWorkerThreads(10000)) Raise("a search worker did not end");
    }
    sim.Stop();

    // The identity exchange alone, as the line and the session algorithm allow it.
    const TExchange identity{kFrameOverhead, kIdentityAnswer, pOptions.Times.IdentityMs};
    Put("scenario", "present");
    Put("searches", static_cast<long long>(std::max(1, pOptions.Repeat)));
    Put("found", static_cast<long long>(found));
    Put("identity_limit_ms", LineMs(identity, pOptions.Baud), 2);
    Put("identity_floor_ms", SessionFloorMs(identity, pOptions.Baud), 2);
    if (!times.empty()) {
        Put("found_min_ms", *std::min_element(times.begin(), times.end()), 2);
        Put("found_median_ms", Median(times), 2);
        Put("found_max_ms", *std::max_element(times.begin(), times.end()), 2);
    }
    return found == std::max(1, pOptions.Repeat) ? 0 : 1;
}

} // namespace zev::bench
