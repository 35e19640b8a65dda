#include "core/error.h"
#include "platform/timing.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

// The interval comes in 100 ns units: 0 where the system has no settable timer, otherwise
// somewhere between 0.05 ms and the classic 15.625 ms tick. Asking twice gives the same answer.
TEST(Timing, FinestTimerResolutionIsZeroOrAPlausibleIntervalAndStable) {
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
