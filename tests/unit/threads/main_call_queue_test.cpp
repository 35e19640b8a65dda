#include "platform/timing.h"
#include "threads/main_call_queue.h"
#include "threads/main_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace zev {
namespace {

// A main thread that services the queue only when the queue asks for it, as an event loop does:
// a request that the queue fails to make leaves a call unserved, and the wait for it times out.
class WakeCounter {
public:
    void Wake() {
        {
            std::lock_guard<std::mutex> lock(FLock);
            ++FRequests;
        }
        FChanged.notify_all();
    }
    // Waits for a request not yet taken; false when none came within pMs.
    bool TakeRequest(int pMs) {
        std::unique_lock<std::mutex> lock(FLock);
        if (!FChanged.wait_for(lock, std::chrono::milliseconds(pMs),
                               [&] { return FRequests > FTaken; }))
            return false;
        FTaken = FRequests;
        return true;
    }
    int Requests() {
        std::lock_guard<std::mutex> lock(FLock);
        return FRequests;
    }

private:
    std::mutex FLock;
    std::condition_variable FChanged;
    int FRequests = 0, FTaken = 0;
};

TEST(MainCallQueue, ManyWorkersEachWaitForTheirOwnCallsWhichRunInOrderWhenAsked) {
    WakeCounter wakes;
    MainCallQueue queue([&] { wakes.Wake(); });
    constexpr int kWorkers = 64, kCalls = 40;
    const auto mainId = std::this_thread::get_id();
    std::vector<std::vector<int>> seen(kWorkers); // written on the main thread only
    std::atomic<int> offMain{0}, notRunYet{0}, finished{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; i < kCalls; ++i) {
                bool ran = false;
                const bool ok = queue.Submit([&, i] {
                    if (std::this_thread::get_id() != mainId) ++offMain;
                    seen[w].push_back(i);
                    ran = true;
                });
                if (!ok || !ran) ++notRunYet; // Submit returned before its own call had run
                if (i % 8 == 0) SleepMs(1);   // bursts, as workers between exchanges
            }
            ++finished;
        });
    }
    int served = 0;
    while (served < kWorkers * kCalls) {
        // Generous: the requests come within microseconds; only a lost one waits this long.
        if (!wakes.TakeRequest(10000)) break;
        served += static_cast<int>(queue.RunPending());
    }
    ASSERT_EQ(served, kWorkers * kCalls) << "a queued call was left without a request for it";
    for (auto& t : workers) t.join();
    EXPECT_EQ(finished, kWorkers);
    EXPECT_EQ(offMain, 0);
    EXPECT_EQ(notRunYet, 0);
    for (int w = 0; w < kWorkers; ++w) {
        ASSERT_EQ(seen[w].size(), static_cast<std::size_t>(kCalls));
        for (int i = 0; i < kCalls; ++i) EXPECT_EQ(seen[w][i], i);
    }
    EXPECT_FALSE(queue.HasPending());
}

TEST(MainCallQueue, TerminationReleasesEveryQueuedWorkerAndLaterCallsAskForServiceAgain) {
    WakeCounter wakes;
    MainCallQueue queue([&] { wakes.Wake(); });
    // The terminating flag wakes the installed main thread's waiters; this queue is its own.
    MainThreadScope none(nullptr);
    constexpr int kWorkers = 16;
    std::atomic<int> ran{0}, submitting{0}, refused{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&] {
            ++submitting;
            if (!queue.Submit([&] { ++ran; })) ++refused;
        });
    }
    // Not served: every worker waits for the main thread.
    while (submitting < kWorkers) SleepMs(1);
    SleepMs(50);
    ASSERT_TRUE(queue.HasPending());
    ASSERT_TRUE(wakes.TakeRequest(10000)); // asked for, but not served
    SetApplicationTerminating();
    queue.WakeWaiters();
    for (auto& t : workers) t.join(); // a worker left waiting would hang here
    EXPECT_EQ(refused, kWorkers);
    EXPECT_EQ(ran, 0);
    EXPECT_FALSE(queue.HasPending());
    SetApplicationTerminating(false);

    // The request made for the withdrawn calls, never answered, is not counted on for the next
    // call: that one asks again.
    bool done = false;
    std::thread late([&] { done = queue.Submit([&] { ++ran; }); });
    const bool asked = wakes.TakeRequest(10000);
    if (asked) queue.RunPending();
    if (!asked) { // release the worker before failing
        SetApplicationTerminating();
        queue.WakeWaiters();
    }
    late.join();
    SetApplicationTerminating(false);
    ASSERT_TRUE(asked);
    EXPECT_TRUE(done);
    EXPECT_EQ(ran, 1);
}

} // namespace
} // namespace zev
