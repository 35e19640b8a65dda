#include "platform/timing.h"

#include <cerrno>
#include <ctime>

namespace zev {
namespace detail {

// CLOCK_MONOTONIC in nanoseconds: frequency 1e9.
std::int64_t QueryCounter() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

std::int64_t QueryFrequency() {
    return 1000000000LL;
}

void SleepWholeMs(std::int64_t ms) {
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>((ms % 1000) * 1000000L)};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

} // namespace detail

// The kernel's timers are already fine-grained; there is nothing to set.
std::uint32_t SetFinestTimerResolution() {
    return 0;
}

bool TimerResolutionSettable() {
    return false;
}

} // namespace zev
