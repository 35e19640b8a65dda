#include "platform/timing.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

TEST(Timing, CounterAdvancesAndSleepNeverShorterThanOneMillisecond) {
    TimingStartup();
    ASSERT_GT(PerfFrequency(), 0);
    struct Case {
        double request;
        double atLeast;
    };
    for (const Case c : {Case{0.4, 1.0}, Case{-3.0, 1.0}, Case{2.5, 2.0}, Case{3.5, 4.0}}) {
        const double t0 = PerfMilliseconds();
        SleepMs(c.request);
        EXPECT_GE(PerfMilliseconds() - t0, c.atLeast * 0.95) << c.request;
    }
}

} // namespace
} // namespace zev
