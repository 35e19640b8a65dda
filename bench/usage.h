#pragma once
// The benchmark process's own CPU time and peak memory, and the machine's load.

#include <string>

namespace zev::bench {

struct TSelfUsage {
    double CpuSec = 0; // user + system of every thread of this process so far
    long MaxRssKb = 0; // peak resident memory of this process so far
};

TSelfUsage SelfUsage();

// The 1-minute load average, or -1 when it cannot be read.
double LoadAverage();

} // namespace zev::bench
