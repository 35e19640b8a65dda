#pragma once
// The benchmark process's own CPU time, peak memory and context switches, and the machine's load.

#include <string>

namespace zev::bench {

struct TSelfUsage {
    double CpuSec = 0;        // user + system of every thread of this process so far
    long MaxRssKb = 0;        // peak resident memory of this process so far
    long WaitSwitches = 0;    // a thread gave up the processor to wait (sleep, lock, condition)
    long PreemptSwitches = 0; // a thread was taken off the processor while it could run
};

TSelfUsage SelfUsage();

// The 1-minute load average, or -1 when it cannot be read.
double LoadAverage();

} // namespace zev::bench
