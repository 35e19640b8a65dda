#include "bench/worker_runs.h"

#include "bootloader/search_worker.h"
#include "bootloader/worker_events.h"
#include "core/error.h"
#include "platform/timing.h"
#include "threads/main_thread.h"

#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

namespace zev::bench {

namespace {

constexpr std::size_t kMaxWorkers = 256; // the events carry an 8-bit index
// The longest the loop may run on after the last report; no time is taken from that.
constexpr double kServeSliceMs = 20;

bool IsFinal(std::uint16_t pCode) {
    return pCode == evDone || pCode == evFailed;
}

void CheckCount(std::size_t pCount) {
    if (pCount == 0 || pCount > kMaxWorkers) Raise("between 1 and 256 workers can be told apart");
}

using PTracks = std::shared_ptr<std::vector<TWorkerTrack>>;

bool AllReported(const std::vector<TWorkerTrack>& pTracks) {
    for (const TWorkerTrack& t : pTracks)
        if (t.Result == kStillRunning) return false;
    return true;
}

// Serves the workers' events until all have reported. When time runs out, the application is
// declared terminating so that the workers stop at their next step and no longer wait for this
// thread; the tracks they hold stay alive through their shared pointer.
std::vector<TWorkerTrack> Serve(HeadlessLoop& pLoop, const PTracks& pTracks, double pTimeoutMs) {
    // Every change of the tracks comes with a call to this thread, which wakes the loop; so the
    // loop sleeps until a call comes instead of looking every few milliseconds, and the
    // benchmark's CPU time is the workers' and the callbacks' own.
    const double deadline = PerfMilliseconds() + pTimeoutMs;
    while (!AllReported(*pTracks) && PerfMilliseconds() < deadline) pLoop.ProcessFor(kServeSliceMs);
    if (!AllReported(*pTracks)) {
        SetApplicationTerminating(true);
        WaitForWorkerThreads(30000);
        SetApplicationTerminating(false);
    }
    return *pTracks;
}

// The number of threads of this process, from /proc/self/stat (field 20).
long ThreadCount() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The command name may hold spaces; the fields after it are counted from its closing ')'.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    for (int k = 3; k <= 20 && fields >> field; ++k) {
        if (k == 20) return std::stol(field);
    }
    return -1;
}

} // namespace

std::vector<TWorkerTrack> RunSearch(HeadlessLoop& pLoop, const std::vector<std::string>& pPorts,
                                    double pTimeoutMs) {
    CheckCount(pPorts.size());
    auto tracks = std::make_shared<std::vector<TWorkerTrack>>(pPorts.size());
    for (std::size_t i = 0; i < pPorts.size(); ++i) {
        (*tracks)[i].Port = pPorts[i];
        auto* worker = new TLormanSearchBootLoaderThreadCtrl;
        worker->SetSEvent([tracks](TCustomThreadCtrl* Sender, std::uint32_t wParam,
                                   std::uint32_t lParam, std::uint32_t& Res) {
            Res = 0;
            TWorkerTrack& t = (*tracks)[wParam];
            const auto code = static_cast<std::uint16_t>(lParam);
            if (!IsFinal(code)) return;
            const auto* search = static_cast<TLormanSearchBootLoaderThreadCtrl*>(Sender);
            t.EndMs = PerfMilliseconds();
            t.Result = code;
            t.Error = search->Error();
            if (code == evDone) t.DevID = search->DevID();
        });
        worker->SetParams(static_cast<std::uint8_t>(i), pPorts[i]);
        (*tracks)[i].StartMs = PerfMilliseconds();
        worker->ThreadBegin();
    }
    return Serve(pLoop, tracks, pTimeoutMs);
}

std::vector<TWorkerTrack> RunProgramming(HeadlessLoop& pLoop,
                                         const std::vector<std::string>& pPorts,
                                         const std::vector<TLormanBootLoaderDevID>& pExpected,
                                         PLormanBootLoaderDataLines pFlash,
                                         PLormanBootLoaderDataLines pEeprom, double pTimeoutMs) {
    CheckCount(pPorts.size());
    if (pExpected.size() != pPorts.size()) Raise("one expected identity per port is needed");
    auto tracks = std::make_shared<std::vector<TWorkerTrack>>(pPorts.size());
    for (std::size_t i = 0; i < pPorts.size(); ++i) {
        (*tracks)[i].Port = pPorts[i];
        auto* worker = new TLormanProgBootLoaderThreadCtrl;
        worker->SetSEvent([tracks](TCustomThreadCtrl* Sender, std::uint32_t wParam,
                                   std::uint32_t lParam, std::uint32_t& Res) {
            Res = 0;
            TWorkerTrack& t = (*tracks)[ProgEventIndex(wParam)];
            const std::uint16_t code = ProgEventCode(wParam);
            if (code == evProgress) {
                ++t.ProgressEvents;
                t.LastPercent = lParam;
            }
            if (!IsFinal(code)) return;
            t.EndMs = PerfMilliseconds();
            t.Result = code;
            t.Error = static_cast<TLormanProgBootLoaderThreadCtrl*>(Sender)->Error();
        });
        worker->SetParams(static_cast<std::uint8_t>(i), pPorts[i]);
        worker->SetData(pFlash, pEeprom);
        worker->SetExpected(pExpected[i]);
        (*tracks)[i].StartMs = PerfMilliseconds();
        worker->ThreadBegin();
    }
    return Serve(pLoop, tracks, pTimeoutMs);
}

bool WaitForWorkerThreads(double pTimeoutMs) {
    const double deadline = PerfMilliseconds() + pTimeoutMs;
    while (ThreadCount() > 1) {
        if (PerfMilliseconds() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::size_t CountResult(const std::vector<TWorkerTrack>& pTracks, std::uint16_t pResult) {
    std::size_t n = 0;
    for (const TWorkerTrack& t : pTracks) n += t.Result == pResult ? 1 : 0;
    return n;
}

} // namespace zev::bench
