#pragma once
// HeadlessLoop: a main thread without a GUI, for tests and tools. The thread that creates it is
// its main thread and drives it with the Process calls; workers reach it through RunAndWait
// (install it with SetMainThread or MainThreadScope). It also keeps one-shot timers, so window
// logic that arms timers runs on it unchanged.

#include "threads/main_call_queue.h"
#include "threads/main_thread.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace zev {

class HeadlessLoop : public IMainThread {
public:
    HeadlessLoop();
    ~HeadlessLoop() override;

    bool RunAndWait(std::function<void()> pCall) override;
    void WakeWaiters() override;

    // Runs the waiting calls and the due timers for pMs milliseconds.
    void ProcessFor(double pMs);
    // Runs calls and timers until pDone() holds (checked after every round) or pTimeoutMs has
    // passed; returns the last value of pDone().
    bool ProcessUntil(const std::function<bool()>& pDone, double pTimeoutMs);
    // Runs what is waiting or due now, without waiting; returns how many calls and timers ran.
    std::size_t ProcessPending();

    // A one-shot timer: pCall runs on the main thread once, pMs milliseconds from now, unless
    // killed first. Returns a non-zero id. May be called from any thread.
    std::uint64_t SetTimer(double pMs, std::function<void()> pCall);
    // Cancels a timer that has not fired; false when it is unknown or already fired.
    bool KillTimer(std::uint64_t pId);
    std::size_t ActiveTimers() const;

    bool HasPendingCalls() const { return FCalls.HasPending(); }
    bool IsMainThread() const { return std::this_thread::get_id() == FOwner; }

private:
    struct TTimer {
        std::int64_t Due;
        std::function<void()> Call;
    };

    std::size_t RunDueTimers();
    void WaitForWork(std::int64_t pDeadline);

    const std::thread::id FOwner;
    MainCallQueue FCalls;
    mutable std::mutex FLock; // guards FTimers, FNextId and FWoken
    std::condition_variable FWake;
    std::map<std::uint64_t, TTimer> FTimers;
    std::uint64_t FNextId = 1;
    bool FWoken = false;
};

} // namespace zev
