#pragma once
// The queue behind every "run on the main thread and wait" implementation: workers submit calls
// and wait; the main thread runs them when it services its loop. A call still queued when the
// application begins to terminate is withdrawn and its worker released at once, so the main
// thread never runs a call whose worker has stopped waiting for it.
//
// Its cost does not grow with the number of workers: a finished call wakes only its own worker,
// and the main thread is asked to service the queue once for all the calls that reach it before
// it looks, not once per call.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace zev {

class MainCallQueue {
public:
    // pWake is called (on the submitting thread, without any lock held) to make the main thread
    // service the queue: post a message, notify an event loop. It is called for a call that
    // finds no request outstanding; the request stays outstanding until RunPending has found
    // the queue empty (or given it up to termination), so every queued call is covered by one.
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
        std::condition_variable Changed; // its worker alone waits on it
    };

    std::function<void()> FWake;
    mutable std::mutex FLock;
    std::deque<std::shared_ptr<TCall>> FCalls;
    bool FWakeOutstanding = false; // pWake was called and RunPending has not yet emptied the queue
};

} // namespace zev
