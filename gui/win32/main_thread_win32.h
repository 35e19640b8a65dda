#pragma once
// "Run this on the main thread and wait" for Win32: a worker queues its call and sends the main
// window a message (SendMessage) that the window answers by running the queued calls. The send
// is made in short slices (SendMessageTimeout) so that a worker whose window has stopped
// answering sees the application's terminating flag and returns at once; a call that has not
// started by then is withdrawn and never runs.

#include "threads/main_call_queue.h"
#include "threads/main_thread.h"

#include <windows.h>

#include <atomic>

namespace zev::win32 {

class TWin32MainThread : public IMainThread {
public:
    // The message the window passes to ServiceCalls().
    static constexpr UINT kCallMessage = WM_APP + 1;
    // How long one send waits for the window before the terminating flag is looked at again.
    static constexpr UINT kSliceMs = 50;

    // The thread that creates it is the main thread.
    TWin32MainThread();
    ~TWin32MainThread() override;
    TWin32MainThread(const TWin32MainThread&) = delete;
    TWin32MainThread& operator=(const TWin32MainThread&) = delete;

    // The window whose procedure answers kCallMessage with ServiceCalls().
    void SetWindow(HWND pWindow) { FWindow.store(pWindow); }

    bool RunAndWait(std::function<void()> pCall) override;
    void WakeWaiters() override;
    std::uintptr_t MainWindowHandle() const override;

    // The window procedure's part: runs the queued calls, one after the other. A call that
    // makes the window pump messages does not start the next one inside it.
    void ServiceCalls();

private:
    void SendToWindow();

    const DWORD FOwner;
    std::atomic<HWND> FWindow{nullptr};
    MainCallQueue FCalls;
    bool FServicing = false; // main thread only
};

} // namespace zev::win32
