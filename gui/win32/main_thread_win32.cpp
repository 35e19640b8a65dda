#include "gui/win32/main_thread_win32.h"

namespace zev::win32 {

TWin32MainThread::TWin32MainThread()
    : FOwner(GetCurrentThreadId()), FCalls([this] { SendToWindow(); }) {}

TWin32MainThread::~TWin32MainThread() {
    if (MainThread() == this) SetMainThread(nullptr);
    FCalls.WakeWaiters();
}

bool TWin32MainThread::RunAndWait(std::function<void()> pCall) {
    if (GetCurrentThreadId() == FOwner) {
        pCall();
        return true;
    }
    if (ApplicationTerminating()) return false;
    return FCalls.Submit(std::move(pCall));
}

void TWin32MainThread::WakeWaiters() {
    FCalls.WakeWaiters();
}

std::uintptr_t TWin32MainThread::MainWindowHandle() const {
    return reinterpret_cast<std::uintptr_t>(FWindow.load());
}

// Runs on the worker's thread, after its call was queued. Returns once the window has answered
// (and so has run the queue, the worker's call included unless the application began to
// terminate), or once the application is terminating, or when there is no window to send to:
// the queue's wait then ends with the terminating flag.
void TWin32MainThread::SendToWindow() {
    for (;;) {
        HWND window = FWindow.load();
        if (window == nullptr || ApplicationTerminating()) return;
        DWORD_PTR result = 0;
        SetLastError(ERROR_SUCCESS);
        if (SendMessageTimeoutW(window, kCallMessage, 0, 0, SMTO_NORMAL, kSliceMs, &result) != 0)
            return;
        // A send that timed out may still be answered later, which does no harm: the queue
        // then has nothing or another worker's call. Any other failure means the window is gone.
        if (GetLastError() != ERROR_TIMEOUT && GetLastError() != ERROR_SUCCESS) return;
    }
}

void TWin32MainThread::ServiceCalls() {
    if (FServicing) return;
    FServicing = true;
    FCalls.RunPending();
    FServicing = false;
}

} // namespace zev::win32
