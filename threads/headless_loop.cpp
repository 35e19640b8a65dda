#include "threads/headless_loop.h"

#include "platform/timing.h"

#include <algorithm>
#include <chrono>

namespace zev {

namespace {
std::int64_t TicksFromMs(double ms) {
    return static_cast<std::int64_t>(static_cast<double>(PerfFrequency()) * ms / 1000.0);
}

constexpr double kPollSliceMs = 2.0;
} // namespace

HeadlessLoop::HeadlessLoop()
    : FOwner(std::this_thread::get_id()), FCalls([this] {
          // Notified under the lock: a worker is done with the condition variable once it lets
          // the lock go, so the loop may be destroyed as soon as it has taken the lock after it.
          std::lock_guard<std::mutex> lock(FLock);
          // Already woken: the loop looks at its work before it waits again.
          if (FWoken) return;
          FWoken = true;
          FWake.notify_all();
      }) {}

HeadlessLoop::~HeadlessLoop() {
    if (MainThread() == this) SetMainThread(nullptr);
    // A worker that has just woken the loop may still hold the lock; it is gone from the loop
    // once the lock is free.
    std::lock_guard<std::mutex> lock(FLock);
}

bool HeadlessLoop::RunAndWait(std::function<void()> pCall) {
    if (IsMainThread()) {
        pCall();
        return true;
    }
    return FCalls.Submit(std::move(pCall));
}

void HeadlessLoop::WakeWaiters() {
    FCalls.WakeWaiters();
}

std::uint64_t HeadlessLoop::SetTimer(double pMs, std::function<void()> pCall) {
    std::uint64_t id;
    {
        std::lock_guard<std::mutex> lock(FLock);
        id = FNextId++;
        FTimers.emplace(id, TTimer{PerfCounter() + TicksFromMs(pMs), std::move(pCall)});
        FWoken = true;
    }
    FWake.notify_all();
    return id;
}

bool HeadlessLoop::KillTimer(std::uint64_t pId) {
    std::lock_guard<std::mutex> lock(FLock);
    return FTimers.erase(pId) > 0;
}

std::size_t HeadlessLoop::ActiveTimers() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FTimers.size();
}

std::size_t HeadlessLoop::RunDueTimers() {
    std::size_t count = 0;
    for (;;) {
        std::function<void()> call;
        {
            std::lock_guard<std::mutex> lock(FLock);
            const std::int64_t now = PerfCounter();
            // The earliest due timer first; equal due times in the order they were set.
            auto due = FTimers.end();
            for (auto it = FTimers.begin(); it != FTimers.end(); ++it) {
                if (it->second.Due <= now &&
                    (due == FTimers.end() || it->second.Due < due->second.Due))
                    due = it;
            }
            if (due == FTimers.end()) break;
            call = std::move(due->second.Call);
            FTimers.erase(due);
        }
        call();
        ++count;
    }
    return count;
}

std::size_t HeadlessLoop::ProcessPending() {
    std::size_t count = 0;
    {
        std::lock_guard<std::mutex> lock(FLock);
        FWoken = false;
    }
    count += FCalls.RunPending();
    count += RunDueTimers();
    return count;
}

void HeadlessLoop::WaitForWork(std::int64_t pDeadline) {
    std::unique_lock<std::mutex> lock(FLock);
    std::int64_t until = pDeadline;
    for (const auto& [id, timer] : FTimers) until = std::min(until, timer.Due);
    const std::int64_t now = PerfCounter();
    if (FWoken || until <= now) return;
    const auto wait = std::chrono::nanoseconds(static_cast<std::int64_t>(
        static_cast<double>(until - now) * 1e9 / static_cast<double>(PerfFrequency())));
    FWake.wait_for(lock, wait, [this] { return FWoken; });
}

void HeadlessLoop::ProcessFor(double pMs) {
    const std::int64_t deadline = PerfCounter() + TicksFromMs(pMs);
    do {
        ProcessPending();
        WaitForWork(deadline);
    } while (PerfCounter() < deadline);
    ProcessPending();
}

bool HeadlessLoop::ProcessUntil(const std::function<bool()>& pDone, double pTimeoutMs) {
    const std::int64_t deadline = PerfCounter() + TicksFromMs(pTimeoutMs);
    for (;;) {
        ProcessPending();
        if (pDone()) return true;
        const std::int64_t now = PerfCounter();
        if (now >= deadline) return false;
        // The condition may change without any call or timer (a worker ending), so look again
        // at least every few milliseconds.
        WaitForWork(std::min(deadline, now + TicksFromMs(kPollSliceMs)));
    }
}

} // namespace zev
