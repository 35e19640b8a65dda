#pragma once
// The queue behind every "run on the main thread and wait" implementation: workers submit calls
// and wait; the main thread runs them when it services its loop. A call still queued when the
// application begins to terminate is withdrawn and its worker released at once, so the main
// thread never runs a call whose worker has stopped waiting for it.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace zev {

class MainCallQueue {
public:
    // pWake is called (on the submitting thread, without any lock held) after a call is queued,
    // to make the main thread service the queue: post a message, notify an event loop.
    explicit MainCallQueue(std::function<void()> pWake = {});

    // Worker side: queues pCall and blocks until the main thread has run it (true), or until the
    // application is terminating while the call has not started (false, the call is withdrawn).
    bool Submit(std::function<void()> pCall);

    // Main thread side: runs every queued call in order; returns how many ran. Errors raised by a
    // call are swallowed: the worker waits only for the call to have run. Runs nothing once the
    // application is terminating.
    std::size_t RunPending();

    bool HasPending() const;

    // Wakes the waiting workers so that they see the terminating flag.
    void WakeWaiters();

private:
    enum class TState { Queued, Running, Done };
    struct TCall {
        std::function<void()> Fn;
        TState State = TState::Queued;
    };

    std::function<void()> FWake;
    mutable std::mutex FLock;
    std::condition_variable FDoneCV;
    std::deque<std::shared_ptr<TCall>> FCalls;
};

} // namespace zev
