#include "platform/process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace zev {
namespace {

// Until the count is pCount, at most five seconds: a thread leaves the count a moment after join.
bool CountBecomes(int pCount) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (os::OwnThreadCount() != pCount) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST(Process, OwnThreadCountFollowsStartedThreads) {
    std::thread([] {}).join(); // helper threads a runtime starts with the first thread
    const int base = os::OwnThreadCount();
    ASSERT_GE(base, 1);
    std::atomic<bool> stop{false};
    std::thread a([&] {
        while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    std::thread b([&] {
        while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    EXPECT_EQ(os::OwnThreadCount(), base + 2);
    stop = true;
    a.join();
    b.join();
    EXPECT_TRUE(CountBecomes(base)) << os::OwnThreadCount() << " threads, " << base << " before";
}

TEST(Process, SetProcessEnvSetsAndRemoves) {
    const char* name = "ZEV_PROCESS_TEST_VARIABLE";
    os::SetProcessEnv(name, "a:b");
    ASSERT_NE(std::getenv(name), nullptr);
    EXPECT_STREQ(std::getenv(name), "a:b");
    os::SetProcessEnv(name, "c");
    EXPECT_STREQ(std::getenv(name), "c");
    os::SetProcessEnv(name, std::nullopt);
    EXPECT_EQ(std::getenv(name), nullptr);
}

} // namespace
} // namespace zev
