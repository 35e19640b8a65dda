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

namespace zev {
namespace {

TEST(Timing, MillisecondsOfLargeCountersDoNotOverflow) {
    // A nanosecond counter after 200 days: counter * 1000 would not fit in 64 bits.
    const std::int64_t ns = 200LL * 86400 * 1000000000LL + 500000;
    EXPECT_DOUBLE_EQ(CounterToMilliseconds(ns, 1000000000LL), 200.0 * 86400 * 1000 + 0.5);
    EXPECT_DOUBLE_EQ(CounterToMilliseconds(15, 10), 1500.0);
    EXPECT_DOUBLE_EQ(CounterToMilliseconds(0, 10000000), 0.0);
}

} // namespace
} // namespace zev
