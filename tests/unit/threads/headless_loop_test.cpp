#include "platform/timing.h"
#include "threads/headless_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace zev {
namespace {

TEST(HeadlessLoop, TimersFireOnceInDueOrderAndKilledOnesNever) {
    HeadlessLoop loop;
    std::vector<int> fired;
    // The last timer is due long after the first, so that a loaded machine that runs the first
    // one late still runs the timer it arms before the last one.
    loop.SetTimer(300, [&] { fired.push_back(300); });
    const auto killed = loop.SetTimer(20, [&] { fired.push_back(-1); });
    loop.SetTimer(10, [&] {
        fired.push_back(10);
        loop.SetTimer(0, [&] { fired.push_back(11); }); // armed from inside a timer
    });
    EXPECT_TRUE(loop.KillTimer(killed));
    EXPECT_FALSE(loop.KillTimer(killed));
    EXPECT_TRUE(fired.empty()); // nothing runs outside the Process calls

    const double start = PerfMilliseconds();
    loop.ProcessFor(400);
    EXPECT_GE(PerfMilliseconds() - start, 399.0);
    EXPECT_EQ(fired, (std::vector<int>{10, 11, 300}));
    EXPECT_EQ(loop.ActiveTimers(), 0u);
}

TEST(HeadlessLoop, ProcessUntilStopsOnTheConditionOrTheTimeout) {
    HeadlessLoop loop;
    bool flag = false;
    loop.SetTimer(20, [&] { flag = true; });
    double start = PerfMilliseconds();
    EXPECT_TRUE(loop.ProcessUntil([&] { return flag; }, 5000));
    EXPECT_LT(PerfMilliseconds() - start, 2000.0);

    start = PerfMilliseconds();
    EXPECT_FALSE(loop.ProcessUntil([] { return false; }, 50));
    const double took = PerfMilliseconds() - start;
    EXPECT_GE(took, 49.0);
    EXPECT_LT(took, 2000.0);
}

TEST(HeadlessLoop, ProcessUntilNoticesAChangeMadeByAnotherThread) {
    HeadlessLoop loop;
    std::atomic<bool> flag{false};
    std::thread other([&] {
        SleepMs(20);
        flag = true;
    });
    const double start = PerfMilliseconds();
    EXPECT_TRUE(loop.ProcessUntil([&] { return flag.load(); }, 10000));
    EXPECT_LT(PerfMilliseconds() - start, 5000.0);
    other.join();
}

TEST(HeadlessLoop, WorkersCallsRunOnTheLoopThreadInOrder) {
    HeadlessLoop loop;
    const auto mainId = std::this_thread::get_id();
    std::vector<std::pair<int, int>> calls; // touched on the loop thread only
    std::atomic<int> offMain{0};
    std::atomic<int> finished{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; i < 25; ++i) {
                bool ran = false;
                EXPECT_TRUE(loop.RunAndWait([&] {
                    if (std::this_thread::get_id() != mainId) ++offMain;
                    calls.emplace_back(w, i);
                    ran = true;
                }));
                EXPECT_TRUE(ran); // RunAndWait returned only after the call had run
            }
            ++finished;
        });
    }
    EXPECT_TRUE(loop.ProcessUntil([&] { return finished == 4; }, 20000));
    for (auto& t : workers) t.join();
    EXPECT_EQ(offMain, 0);
    ASSERT_EQ(calls.size(), 100u);
    std::vector<int> next(4, 0);
    for (const auto& [w, i] : calls) EXPECT_EQ(i, next[w]++);
}

TEST(HeadlessLoop, RunAndWaitOnTheLoopThreadRunsAtOnce) {
    HeadlessLoop loop;
    int runs = 0;
    EXPECT_TRUE(loop.RunAndWait([&] { ++runs; }));
    EXPECT_EQ(runs, 1);
}

TEST(HeadlessLoop, NoInstalledMainThreadMeansNoCall) {
    MainThreadScope none(nullptr);
    bool ran = false;
    EXPECT_FALSE(RunOnMainThread([&] { ran = true; }));
    EXPECT_FALSE(ran);
}

} // namespace
} // namespace zev
