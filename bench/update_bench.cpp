#include "bench/package.h"
#include "bench/report.h"
#include "bench/scenarios.h"
#include "bench/usage.h"
#include "bench/worker_runs.h"
#include "bootloader/worker_events.h"
#include "core/error.h"
#include "platform/timing.h"
#include "threads/main_thread.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace zev::bench {

namespace {

std::string Ms(double pMs) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", pMs);
    return text;
}

void PutReference(const TUpdateReference& pRef) {
    Put("exchanges", static_cast<long long>(pRef.Exchanges));
    Put("request_bytes", static_cast<long long>(pRef.RequestBytes));
    Put("answer_bytes", static_cast<long long>(pRef.AnswerBytes));
    Put("device_ms", pRef.DeviceMs, 1);
    Put("limit_ms", pRef.LimitMs, 1);
    Put("floor_ms", pRef.FloorMs, 1);
    Put("flash_line_limit_ms", pRef.FlashLineLimitMs, 3);
    Put("flash_line_floor_ms", pRef.FlashLineFloorMs, 3);
    Put("eeprom_line_limit_ms", pRef.EepromLineLimitMs, 3);
    Put("eeprom_line_floor_ms", pRef.EepromLineFloorMs, 3);
}

} // namespace

std::vector<std::string> PacedDevices(const TBenchOptions& pOptions, std::size_t pCount,
                                      const std::vector<std::string>& pExtra) {
    // Keys given before the first device apply to every device.
    // At a real-time priority where the system allows it: the devices stand for hardware
    // with a clock of its own, which the host's load does not hold back.
    std::vector<std::string> args{"--realtime", "--paced"};
    for (const std::string& key :
         {"baud=" + std::to_string(pOptions.Baud), "identity-ms=" + Ms(pOptions.Times.IdentityMs),
          "flash-ms=" + Ms(pOptions.Times.FlashMs), "eeprom-ms=" + Ms(pOptions.Times.EepromMs),
          "reset-ms=" + Ms(pOptions.Times.ResetMs)}) {
        args.push_back("-s");
        args.push_back(key);
    }
    for (const std::string& key : pExtra) {
        args.push_back("-s");
        args.push_back(key);
    }
    args.push_back("-n");
    args.push_back(std::to_string(pCount));
    return args;
}

int RunReference(const TBenchOptions& pOptions) {
    const TCheckedPackage package = LoadPackage(pOptions.Package);
    Put("flash_lines", static_cast<long long>(package.flash.size()));
    Put("eeprom_lines", static_cast<long long>(package.eeprom.size()));
    PutReference(UpdateReference(package.flash, package.eeprom, pOptions.Times, pOptions.Baud));
    return 0;
}

int RunUpdateBench(const TBenchOptions& pOptions) {
    const TCheckedPackage package = LoadPackage(pOptions.Package);
    const TUpdateReference ref =
        UpdateReference(package.flash, package.eeprom, pOptions.Times, pOptions.Baud);
    const auto flash = std::make_shared<const ALormanBootLoaderDataLines>(package.flash);
    const auto eeprom = std::make_shared<const ALormanBootLoaderDataLines>(package.eeprom);
    const std::size_t lines = package.flash.size() + package.eeprom.size();

    test::DevSimFixture sim(pOptions.DevSim);
    sim.Start(PacedDevices(pOptions, pOptions.Count));
    const std::vector<std::string> ports = sim.Ports();
    if (ports.size() != pOptions.Count) Raise("zev-devsim reported another number of devices");

    HeadlessLoop loop;
    MainThreadScope scope(&loop);

    // As the window does: find the devices first, then write to the ones found. A port whose
    // device was missed (on a machine shared with other work an answer can come too late) is
    // searched again, up to twice, and the repeats are reported.
    std::vector<TLormanBootLoaderDevID> ids(ports.size());
    std::vector<std::size_t> missing(ports.size());
    for (std::size_t i = 0; i < ports.size(); ++i) missing[i] = i;
    long long repeats = 0;
    for (int round = 0; round < 3 && !missing.empty(); ++round) {
        repeats += round > 0 ? static_cast<long long>(missing.size()) : 0;
        std::vector<std::string> these;
        for (std::size_t i : missing) these.push_back(ports[i]);
        const std::vector<TWorkerTrack> found = RunSearch(loop, these, 30000);
        if (!WaitForWorkerThreads(10000)) Raise("the search workers did not end");
        std::vector<std::size_t> still;
        for (std::size_t k = 0; k < found.size(); ++k) {
            if (found[k].Result == evDone)
                ids[missing[k]] = found[k].DevID;
            else
                still.push_back(missing[k]);
        }
        missing = still;
    }
    if (!missing.empty()) Raise("the search did not find the device on " + ports[missing[0]]);

    const double loadBefore = LoadAverage();
    const TSelfUsage before = SelfUsage();
    const double timeoutMs = 3 * ref.FloorMs + 60000;
    const std::vector<TWorkerTrack> runs =
        RunProgramming(loop, ports, ids, flash, eeprom, timeoutMs);
    const TSelfUsage after = SelfUsage();
    const double loadAfter = LoadAverage();
    WaitForWorkerThreads(10000);
    sim.Stop();
    const test::TChildUsage simUsage = sim.Usage();

    double first = runs.front().StartMs, last = runs.front().EndMs;
    double devMin = runs.front().WallMs(), devMax = devMin, devSum = 0;
    std::size_t verified = 0, progressOk = 0;
    std::string why;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const TWorkerTrack& t = runs[i];
        first = std::min(first, t.StartMs);
        last = std::max(last, t.EndMs);
        devMin = std::min(devMin, t.WallMs());
        devMax = std::max(devMax, t.WallMs());
        devSum += t.WallMs();
        if (t.ProgressEvents == lines && t.LastPercent == 100) ++progressOk;
        std::string whyThis;
        if (DeviceHoldsPackage(sim.ReadDump(sim.Names()[i]), package, whyThis))
            ++verified;
        else if (why.empty())
            why = sim.Names()[i] + ": " + whyThis;
    }
    const std::size_t n = runs.size();
    const double wallMs = last - first;
    const double cpuSec = after.CpuSec - before.CpuSec;

    Put("scenario", "update");
    Put("devices", static_cast<long long>(n));
    Put("flash_lines", static_cast<long long>(package.flash.size()));
    Put("eeprom_lines", static_cast<long long>(package.eeprom.size()));
    PutReference(ref);
    Put("search_repeats", repeats);
    Put("done", static_cast<long long>(CountResult(runs, evDone)));
    Put("failed", static_cast<long long>(CountResult(runs, evFailed)));
    Put("progress_complete", static_cast<long long>(progressOk));
    Put("verified", static_cast<long long>(verified));
    if (!why.empty()) Put("verify_error", why);
    Put("wall_ms", wallMs, 1);
    Put("device_wall_min_ms", devMin, 1);
    Put("device_wall_mean_ms", devSum / static_cast<double>(n), 1);
    Put("device_wall_max_ms", devMax, 1);
    Put("wall_per_floor", wallMs / ref.FloorMs, 4);
    Put("wall_per_limit", wallMs / ref.LimitMs, 4);
    Put("cpu_s", cpuSec, 3);
    Put("cpu_ms_per_device", cpuSec * 1000 / static_cast<double>(n), 1);
    Put("cpu_pct_per_device", cpuSec * 1000 / wallMs * 100 / static_cast<double>(n), 3);
    Put("cpu_pct_total", cpuSec * 1000 / wallMs * 100, 2);
    Put("maxrss_kb", static_cast<long long>(after.MaxRssKb));
    // Context switches of the whole process while writing, per exchange of one device: every
    // sleep, poll and event to the main thread costs some; what grows with the number of devices
    // is contention.
    const long waits = after.WaitSwitches - before.WaitSwitches;
    const long preempts = after.PreemptSwitches - before.PreemptSwitches;
    const double exchanges = static_cast<double>(n) * static_cast<double>(ref.Exchanges);
    Put("wait_switches", static_cast<long long>(waits));
    Put("preempt_switches", static_cast<long long>(preempts));
    Put("switches_per_exchange", static_cast<double>(waits + preempts) / exchanges, 2);
    Put("cpu_us_per_exchange", cpuSec * 1e6 / exchanges, 1);
    Put("sim_cpu_s", simUsage.CpuSec, 3);
    Put("sim_maxrss_kb", static_cast<long long>(simUsage.MaxRssKb));
    Put("load_before", loadBefore, 2);
    Put("load_after", loadAfter, 2);

    const bool ok = CountResult(runs, evDone) == n && verified == n && progressOk == n;
    return ok ? 0 : 1;
}

} // namespace zev::bench
