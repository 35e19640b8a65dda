#pragma once
// The one way a worker thread reaches the main thread: "run this there and wait". The GUI
// toolkits and the headless test loop each install an implementation. The application's
// terminating flag lives here too: once it is set, no worker waits for the main thread any more.

#include <cstdint>
#include <functional>

namespace zev {

class IMainThread {
public:
    virtual ~IMainThread() = default;

    // Runs pCall on the main thread and blocks until it has run; true when it ran. Returns false
    // at once, without running it, when the application is terminating, and also when
    // termination begins while the call is still waiting in the queue (a call already running
    // on the main thread is waited for). Called from the main thread itself, runs pCall directly.
    virtual bool RunAndWait(std::function<void()> pCall) = 0;

    // Wakes every caller waiting in RunAndWait so it can see the terminating flag.
    virtual void WakeWaiters() = 0;

    // The main window's handle, recorded by workers that are given none; 0 where there is none.
    virtual std::uintptr_t MainWindowHandle() const { return 0; }
};

// Installs the main thread implementation (nullptr removes it). Set before any worker starts.
void SetMainThread(IMainThread* pMainThread);
IMainThread* MainThread();

// Runs pCall on the installed main thread and waits; false when it did not run (no main thread
// installed, or the application is terminating).
bool RunOnMainThread(std::function<void()> pCall);

// The application's terminating flag. Setting it wakes every worker waiting for the main thread.
// Closing the main window sets it first; tests may clear it again with false.
void SetApplicationTerminating(bool pValue = true);
bool ApplicationTerminating();

// Installs a main thread for the lifetime of the scope and restores the previous one after.
class MainThreadScope {
public:
    explicit MainThreadScope(IMainThread* pMainThread);
    ~MainThreadScope();
    MainThreadScope(const MainThreadScope&) = delete;
    MainThreadScope& operator=(const MainThreadScope&) = delete;

private:
    IMainThread* FPrevious;
};

} // namespace zev
