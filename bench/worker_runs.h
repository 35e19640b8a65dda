#pragma once
// Runs the real search and programming workers without a window: the calling thread is the
// main thread (a HeadlessLoop installed as such), the workers report to it through their event
// callbacks, and each worker's start and final event are timed.

#include "bootloader/dev_id.h"
#include "bootloader/prog_worker.h"
#include "threads/headless_loop.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zev::bench {

inline constexpr std::uint16_t kStillRunning = 0xFFFF;

// What one worker did, times in milliseconds of PerfMilliseconds.
struct TWorkerTrack {
    std::string Port;
    double StartMs = 0;                   // just before ThreadBegin
    double EndMs = 0;                     // when the main thread handled its evDone or evFailed
    std::uint16_t Result = kStillRunning; // evDone, evFailed or kStillRunning
    std::uint32_t ProgressEvents = 0;
    std::uint32_t LastPercent = 0;
    TLormanBootLoaderDevID DevID; // search: the identity found
    std::string Error;

    double WallMs() const { return EndMs - StartMs; }
};

// Starts one search worker per port, all at once, and serves their events until every one has
// reported or pTimeoutMs has passed.
std::vector<TWorkerTrack> RunSearch(HeadlessLoop& pLoop, const std::vector<std::string>& pPorts,
                                    double pTimeoutMs);

// Starts one programming worker per port, all at once, each expecting the identity given for
// its port and writing the same shared lines, and serves their events until every one has
// reported or pTimeoutMs has passed.
std::vector<TWorkerTrack> RunProgramming(HeadlessLoop& pLoop,
                                         const std::vector<std::string>& pPorts,
                                         const std::vector<TLormanBootLoaderDevID>& pExpected,
                                         PLormanBootLoaderDataLines pFlash,
                                         PLormanBootLoaderDataLines pEeprom, double pTimeoutMs);

// Waits until every worker thread has ended (the process has only its main thread left);
// false when some are still there after pTimeoutMs.
bool WaitForWorkerThreads(double pTimeoutMs);

// How many of the tracks ended with this result.
std::size_t CountResult(const std::vector<TWorkerTrack>& pTracks, std::uint16_t pResult);

} // namespace zev::bench
