#include "bench/report.h"
#include "bench/scenarios.h"
#include "bench/usage.h"
#include "bench/worker_runs.h"
#include "bootloader/session_profiles.h"
#include "bootloader/worker_events.h"
#include "core/error.h"
#include "support/devsim_fixture.h"
#include "threads/main_thread.h"

#include <algorithm>
#include <cstdio>

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
    test::DevSimFixture sim(pOptions.DevSim);
    // A device silenced from its first request on never answers: a port with nothing behind it.
    sim.Start(PacedDevices(pOptions, pOptions.Count, {"fault=silence any"}));
    HeadlessLoop loop;
    MainThreadScope scope(&loop);

    const int rounds = std::max(1, pOptions.Repeat);
    const double loadBefore = LoadAverage();
    std::vector<double> roundTimes;
    std::string roundList;
    double portMin = 0, portMax = 0, cpuSec = 0, busyMs = 0;
    std::size_t failed = 0, ports = 0;
    for (int r = 0; r < rounds; ++r) {
        const TSelfUsage before = SelfUsage();
        const std::vector<TWorkerTrack> runs = RunSearch(loop, sim.Ports(), 60000);
        const TSelfUsage after = SelfUsage();
        if (!WaitForWorkerThreads(10000)) Raise("a search worker did not end");
        double first = runs.front().StartMs, last = runs.front().EndMs;
        for (const TWorkerTrack& t : runs) {
            first = std::min(first, t.StartMs);
            last = std::max(last, t.EndMs);
            portMin = ports == 0 ? t.WallMs() : std::min(portMin, t.WallMs());
            portMax = std::max(portMax, t.WallMs());
            ++ports;
        }
        failed += CountResult(runs, evFailed);
        cpuSec += after.CpuSec - before.CpuSec;
        busyMs += last - first;
        roundTimes.push_back(last - first);
        char text[32];
        std::snprintf(text, sizeof text, "%s%.1f", roundList.empty() ? "" : " ", last - first);
        roundList += text;
    }
    sim.Stop();
    const test::TChildUsage simUsage = sim.Usage();
    const double median = Median(roundTimes);

    Put("scenario", "search");
    Put("ports", static_cast<long long>(pOptions.Count));
    Put("rounds", static_cast<long long>(rounds));
    Put("failed", static_cast<long long>(failed));
    Put("expected_ms", SilentRoundMs(), 1);
    Put("rounds_ms", roundList);
    Put("round_median_ms", median, 1);
    Put("round_min_ms", *std::min_element(roundTimes.begin(), roundTimes.end()), 1);
    Put("round_max_ms", *std::max_element(roundTimes.begin(), roundTimes.end()), 1);
    Put("round_per_expected", median / SilentRoundMs(), 4);
    Put("port_min_ms", portMin, 1);
    Put("port_max_ms", portMax, 1);
    Put("cpu_s_per_round", cpuSec / rounds, 3);
    Put("cpu_pct_total", cpuSec * 1000 / busyMs * 100, 2);
    Put("maxrss_kb", static_cast<long long>(SelfUsage().MaxRssKb));
    Put("sim_cpu_s", simUsage.CpuSec, 3);
    Put("load_before", loadBefore, 2);
    return failed == ports ? 0 : 1;
}

int RunPresentSearchBench(const TBenchOptions& pOptions) {
    test::DevSimFixture sim(pOptions.DevSim);
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
