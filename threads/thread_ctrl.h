#pragma once
// TCustomThreadCtrl: the base of every background worker. One object is one thread that runs a
// fixed skeleton of steps (ExecBefore; a loop of due queued actions and ExecRepeat; ExecAfter),
// can be asked to stop, reports to the main thread through a synchronous event callback, and
// deletes itself when its thread ends.
//
// Life: create with new (the thread is not running yet), configure on the main thread
// (SetSEvent, the subclass's setters), ThreadBegin. From then on the object belongs to its
// thread: it is deleted right after Execute returns, and its creator must not touch it after
// the worker's final event. A controller that is never started is deleted by its creator.

#include "threads/thread_actions.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace zev {

class TCustomThreadCtrl;

// The worker's event callback, run on the main thread: Sender is the worker, Res is preset to
// ResBreak and handed back to the worker.
using TOnThreadCtrlEvent = std::function<void(TCustomThreadCtrl* Sender, std::uint32_t wParam,
                                              std::uint32_t lParam, std::uint32_t& Res)>;

// Event results with a meaning of their own: CallSEvent raises "BREAK" or "CONTINUE" on them.
inline constexpr std::uint32_t ResBreak = 0x80000000u;
inline constexpr std::uint32_t ResContinue = 0x40000000u;

class TCustomThreadCtrl {
public:
    TCustomThreadCtrl();
    virtual ~TCustomThreadCtrl();
    TCustomThreadCtrl(const TCustomThreadCtrl&) = delete;
    TCustomThreadCtrl& operator=(const TCustomThreadCtrl&) = delete;

    // Starts the thread. Once only; a second call raises an error.
    void ThreadBegin();
    // Asks the loop to end at its next check; a running step is not interrupted.
    void ThreadEnd();

    // Sets the event callback; called before ThreadBegin.
    void SetSEvent(TOnThreadCtrlEvent pOnEvent);
    // Records a message number and a target window (the main window when 0). Events are
    // delivered only through the callback; nothing reads these two values.
    void SetAEvent(std::uint32_t pMsgEvent, std::uintptr_t pMsgForm);

    // True when a stop was asked for or the application is terminating.
    bool Stoped() const { return GetStoped(); }

    // The action queue; null once the thread has released it at its end.
    TThreadCtrlActions* Actions() const { return FACT.get(); }
    void SetActions(std::unique_ptr<TThreadCtrlActions> pActions) { FACT = std::move(pActions); }

    std::uint32_t MsgEvent() const { return FMsgEvent; }
    std::uintptr_t MsgForm() const { return FMsgForm; }

protected:
    virtual void ExecBefore() {}
    virtual void ExecRepeat();
    virtual void ExecAfter() {}
    virtual void ExecError(std::uint8_t pStage, const std::string& pTrace);
    virtual void ExecAction(TThreadCtrlAction& pAction);

    // Worker thread only: runs the event callback on the main thread with wParam and lParam and
    // waits for it. Raises "BREAK" when the result is ResBreak (also when no callback is set,
    // the callback failed before setting a result, or the application is terminating) and
    // "CONTINUE" on ResContinue; returns any other result.
    std::uint32_t CallSEvent(std::uint32_t wParam, std::uint32_t lParam);
    // The part of CallSEvent that runs on the main thread.
    void ExecSEvent();

private:
    void Execute();
    bool GetStoped() const;
    static void ThreadProc(TCustomThreadCtrl* pSelf);

    mutable std::mutex FCS; // guards FStop
    std::unique_ptr<TThreadCtrlActions> FACT;
    TOnThreadCtrlEvent FOnEvent;
    std::uint32_t FMsgEvent = 0xFFFFFFFFu;
    bool FStop = false;
    std::uintptr_t FMsgForm = 0;
    std::uint32_t FpW = 0;
    std::uint32_t FpL = 0;
    std::uint32_t FpR = 0;
    std::atomic<bool> FStarted{false};
};

} // namespace zev
