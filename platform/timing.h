#pragma once
// The high-resolution clock and sleeping shared by the serial library and the worker threads.

#include <cstdint>

namespace zev {

// Counts of the high-resolution counter; per second: PerfFrequency().
std::int64_t PerfCounter();
std::int64_t PerfFrequency();
// PerfCounter() * 1000 / PerfFrequency(), in milliseconds from an arbitrary origin.
double PerfMilliseconds();
// Milliseconds of a counter value at the given frequency, exact for any counter value.
double CounterToMilliseconds(std::int64_t counter, std::int64_t frequency);
// Sleeps the duration rounded to the nearest millisecond (halves to even); never less than 1 ms.
void SleepMs(double ms);
// Asks the system for its finest timer interval; returns the interval now in force in 100 ns
// units, or 0 where the system has no settable timer resolution.
std::uint32_t SetFinestTimerResolution();
// True where the system has a timer resolution a program can set (Windows); elsewhere
// SetFinestTimerResolution does nothing and returns 0.
bool TimerResolutionSettable();
// The library start-up: finest timer resolution (errors ignored), then the counter frequency.
// Runs once, before any worker thread exists; later calls do nothing.
void TimingStartup();

} // namespace zev
