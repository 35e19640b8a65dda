#pragma once
// The benchmark's scenarios. Each starts its own zev-devsim, runs the real workers against it,
// prints its figures as "key=value" lines and returns the process exit status (0 when every
// worker ended as it should; the times themselves never fail a run).

#include "bench/line_model.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zev::bench {

struct TBenchOptions {
    std::string DevSim;    // the zev-devsim executable
    std::string Package;   // a file with the update package appended
    std::size_t Count = 1; // devices or ports
    int Repeat = 5;        // search and present: how many rounds
    std::uint32_t Baud = 19200;
    TDeviceTimes Times;
    std::string Program;  // window: the packed updater (Linux program or Windows .exe)
    std::string WineRun;  // window: scripts/wine-run.sh, to run a Windows program under Wine
    std::string KeepDump; // window: a folder to copy the devices' dumps into
};

// The simulator's options for Count devices paced like the line, with the device times, and
// pExtra keys ("fault=...") for every device.
std::vector<std::string> PacedDevices(const TBenchOptions& pOptions, std::size_t pCount,
                                      const std::vector<std::string>& pExtra = {});

// The line limit and the protocol floor of one update of the package.
int RunReference(const TBenchOptions& pOptions);

// Count devices updated at once with the package: wall time against the references, the
// benchmark's CPU time and peak memory, the simulator's CPU time; every device is checked to
// hold the package afterwards.
int RunUpdateBench(const TBenchOptions& pOptions);

// One controller on its own (no worker, no main thread) writes the first Count flash lines to
// one device: the time of each exchange against its floor, and what the session's two sleeps
// (the pause after writing, one poll interval) really last on this machine.
int RunSessionBench(const TBenchOptions& pOptions);

// Repeat search rounds over Count ports where no device answers: each round's time from the
// first worker's start to the last report.
int RunSilentSearchBench(const TBenchOptions& pOptions);

// Repeat searches of one port whose device answers at once: time from the start to evDone.
int RunPresentSearchBench(const TBenchOptions& pOptions);

// The packed updater's own window (Qt on a virtual display, or the Windows program under Wine
// when WineRun is set) searches and writes Count paced devices, its buttons pressed with
// xdotool: the run's time from the devices' side, the program's CPU time while writing and its
// peak memory; every device is checked to hold the package afterwards.
int RunWindowBench(const TBenchOptions& pOptions);

} // namespace zev::bench
