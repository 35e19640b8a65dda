#include "platform/timing.h"

#include <cmath>

namespace zev {

namespace detail {
std::int64_t QueryCounter();
std::int64_t QueryFrequency();
void SleepWholeMs(std::int64_t ms);
} // namespace detail

namespace {
std::int64_t& Frequency() {
    static std::int64_t frequency = detail::QueryFrequency();
    return frequency;
}
} // namespace

std::int64_t PerfCounter() {
    return detail::QueryCounter();
}

std::int64_t PerfFrequency() {
    return Frequency();
}

double PerfMilliseconds() {
    return CounterToMilliseconds(PerfCounter(), PerfFrequency());
}

double CounterToMilliseconds(std::int64_t counter, std::int64_t frequency) {
    // Whole seconds and the remainder apart: counter * 1000 would overflow 64 bits after
    // about 107 days of a nanosecond counter.
    const std::int64_t seconds = counter / frequency;
    const std::int64_t rest = counter % frequency;
    return static_cast<double>(seconds) * 1000.0 +
           static_cast<double>(rest * 1000) / static_cast<double>(frequency);
}

void SleepMs(double ms) {
    const double rounded = std::nearbyint(ms); // the default rounding mode: halves to even
    const std::int64_t whole = rounded >= 1.0 ? static_cast<std::int64_t>(rounded) : 1;
    detail::SleepWholeMs(whole);
}

void TimingStartup() {
    static const bool done = [] {
        try {
            SetFinestTimerResolution();
        } catch (...) {
        }
        (void)PerfFrequency();
        return true;
    }();
    (void)done;
}

} // namespace zev
