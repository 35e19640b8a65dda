#pragma once
// What both closing probes share: their arguments and the end of the program, done the way the
// program entry does it.
//
//   probe search|run PACKAGE-FILE PORT...
//
// The probe shows the window with the package of PACKAGE-FILE, searches the ports (ZEV_PORTS),
// and closes the window during the search or during the programming run, printing "closing" on
// standard output just before. It prints "skipped ..." and ends with status 3 when the state
// it waits for does not come.

#include "app/main_window.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace zev::probe {

struct TProbeArgs {
    bool Run = false; // close during the programming run, else during the search
    std::string Package;
};

inline bool ParseArgs(int argc, char** argv, TProbeArgs& pArgs) {
    if (argc < 3) return false;
    const std::string phase = argv[1];
    if (phase != "search" && phase != "run") return false;
    pArgs.Run = phase == "run";
    pArgs.Package = argv[2];
    return true;
}

inline void SayClosing() {
    std::printf("closing\n");
    std::fflush(stdout);
}

[[noreturn]] inline void Skip(const char* pWhy) {
    std::printf("skipped: %s\n", pWhy);
    std::fflush(stdout);
    std::_Exit(3);
}

// True when the window is where the probe closes it: searching with its workers out, or writing
// with every started worker past its first line.
inline bool ReadyToClose(const TfrmZEVProgrammer& pWindow, bool pRun) {
    if (!pWindow.WorkersRunning()) return false;
    return pRun ? pWindow.Progress() > 0 : pWindow.SearchCount() > 0;
}

} // namespace zev::probe
