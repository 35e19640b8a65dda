#include "core/error.h"
#include "platform/timing.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <vector>

namespace zev {
namespace {

// Where a program can set the timer resolution (Windows), the interval comes in 100 ns units,
// somewhere between 0.05 ms and the classic 15.625 ms tick (0 where the system's entry points
// only pretend, as Wine's do), and asking twice gives the same answer. Elsewhere there is
// nothing to set, and the test says so instead of passing.
TEST(Timing, FinestTimerResolutionIsAPlausibleInterval) {
    if (!TimerResolutionSettable())
        GTEST_SKIP() << "this system has no timer resolution a program can set";
    std::uint32_t first = 0;
    try {
        first = SetFinestTimerResolution();
    } catch (const Error& e) {
        // Only a system without the timer entry points gets here, with an empty message.
        EXPECT_STREQ(e.what(), "");
        return;
    }
    if (first != 0) {
        EXPECT_GE(first, 500u);
        EXPECT_LE(first, 156250u);
    }
    EXPECT_EQ(SetFinestTimerResolution(), first);
    RecordProperty("interval_100ns", static_cast<int>(first));
}

// What the fine resolution is for, on every system: after the start-up a 1 ms sleep lasts
// about a millisecond, not a whole 15.625 ms tick of a coarse timer. The median of several
// sleeps is judged, with room for a loaded machine.
TEST(Timing, AfterTheStartUpAOneMillisecondSleepIsShorterThanACoarseTick) {
    TimingStartup();
    std::vector<double> took;
    for (int k = 0; k < 15; ++k) {
        const auto start = std::chrono::steady_clock::now();
        SleepMs(1);
        took.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(took.begin(), took.end());
    EXPECT_GE(took.front(), 0.5); // a sleep, not a return at once
    EXPECT_LT(took[took.size() / 2], 8.0)
        << "a 1 ms sleep took " << took[took.size() / 2] << " ms (median)";
}

} // namespace
} // namespace zev
