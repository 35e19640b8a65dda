#include "threads/main_call_queue.h"

#include "threads/main_thread.h"

#include <algorithm>

namespace zev {

MainCallQueue::MainCallQueue(std::function<void()> pWake) : FWake(std::move(pWake)) {}

bool MainCallQueue::Submit(std::function<void()> pCall) {
    auto call = std::make_shared<TCall>();
    call->Fn = std::move(pCall);
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(FLock);
        if (ApplicationTerminating()) return false;
        FCalls.push_back(call);
        wake = !FWakeOutstanding;
        FWakeOutstanding = true;
    }
    if (wake && FWake) FWake();
    std::unique_lock<std::mutex> lock(FLock);
    // A running call is always waited for: the main thread is inside it and will finish it.
    call->Changed.wait(lock, [&] {
        return call->State == TState::Done ||
               (call->State == TState::Queued && ApplicationTerminating());
    });
    if (call->State == TState::Done) return true;
    FCalls.erase(std::remove(FCalls.begin(), FCalls.end(), call), FCalls.end());
    // Nothing left to serve: the next call asks again, whether or not this request is answered.
    if (FCalls.empty()) FWakeOutstanding = false;
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
            if (FCalls.empty() || ApplicationTerminating()) {
                // A call queued from here on asks for service again.
                FWakeOutstanding = false;
                break;
            }
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
        // The worker may leave Submit as soon as it sees Done; the local reference keeps the
        // call alive for this notification.
        call->Changed.notify_one();
        ++count;
    }
    return count;
}

bool MainCallQueue::HasPending() const {
    std::lock_guard<std::mutex> lock(FLock);
    return !FCalls.empty();
}

void MainCallQueue::WakeWaiters() {
    // Under the lock: a worker between queuing its call and waiting checks the flag before it
    // waits, and a call that is running is not in the queue (its worker waits for it to end).
    std::lock_guard<std::mutex> lock(FLock);
    for (const auto& call : FCalls) call->Changed.notify_one();
}

} // namespace zev
