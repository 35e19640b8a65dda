#include "bench/usage.h"

#include <cstdlib>
#include <sys/resource.h>

namespace zev::bench {

TSelfUsage SelfUsage() {
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    TSelfUsage u;
    u.CpuSec = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
               static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    u.MaxRssKb = ru.ru_maxrss;
    u.WaitSwitches = ru.ru_nvcsw;
    u.PreemptSwitches = ru.ru_nivcsw;
    return u;
}

double LoadAverage() {
    double load[1];
    return ::getloadavg(load, 1) == 1 ? load[0] : -1;
}

} // namespace zev::bench
