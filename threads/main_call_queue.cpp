#include "threads/main_call_queue.h"

#include "threads/main_thread.h"

#include <algorithm>

namespace zev {

MainCallQueue::MainCallQueue(std::function<void()> pWake) : FWake(std::move(pWake)) {}

bool MainCallQueue::Submit(std::function<void()> pCall) {
    auto call = std::make_shared<TCall>();
    call->Fn = std::move(pCall);
    {
        std::lock_guard<std::mutex> lock(FLock);
        if (ApplicationTerminating()) return false;
        FCalls.push_back(call);
    }
    if (FWake) FWake();
    std::unique_lock<std::mutex> lock(FLock);
    // A running call is always waited for: the main thread is inside it and will finish it.
    FDoneCV.wait(lock, [&] {
        return call->State == TState::Done ||
               (call->State == TState::Queued && ApplicationTerminating());
    });
    if (call->State == TState::Done) return true;
    FCalls.erase(std::remove(FCalls.begin(), FCalls.end(), call), FCalls.end());
    return false;
}

std::size_t MainCallQueue::RunPending() {
    std::size_t count = 0;
    for (;;) {
        std::shared_ptr<TCall> call;
        {
            std::lock_guard<std::mutex> lock(FLock);
            // Once the application is terminating, queued calls belong to workers that are
            // giving up on them: they are never started.
            if (FCalls.empty() || ApplicationTerminating()) break;
            call = FCalls.front();
            FCalls.pop_front();
            call->State = TState::Running;
        }
        try {
            call->Fn();
        } catch (...) {
        }
        {
            std::lock_guard<std::mutex> lock(FLock);
            call->State = TState::Done;
            call->Fn = nullptr;
        }
        FDoneCV.notify_all();
        ++count;
    }
    return count;
}

bool MainCallQueue::HasPending() const {
    std::lock_guard<std::mutex> lock(FLock);
    return !FCalls.empty();
}

void MainCallQueue::WakeWaiters() {
    // Taking the lock orders this wake-up after any waiter's check of the flag.
    { std::lock_guard<std::mutex> lock(FLock); }
    FDoneCV.notify_all();
}

} // namespace zev
