#include "core/error.h"
#include "platform/timing.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

// Where nothing can be set, the call does nothing and answers 0, every time.
// Elsewhere the interval comes in 100 ns units, somewhere between 0.05 ms and the classic
// 15.625 ms tick (0 where the system's entry points only pretend, as Wine's do), and asking twice
// gives the same answer.
TEST(Timing, FinestTimerResolutionIsZeroWhereNothingCanBeSetAndAPlausibleIntervalElsewhere) {
    if (!TimerResolutionSettable()) {
        EXPECT_EQ(SetFinestTimerResolution(), 0u);
        EXPECT_EQ(SetFinestTimerResolution(), 0u);
        return;
    }
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

} // namespace
} // namespace zev
