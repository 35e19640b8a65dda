// The main-thread call on Win32: a worker's call runs on the main thread through a message to
// the window, and never holds the worker once the application is terminating.

#include "gui/win32/main_thread_win32.h"
#include "win32_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace zev {
namespace {

using namespace zev::test;
using win32::TWin32MainThread;

// The window procedure of TCallWindow: a named CALLBACK function, since a lambda has the
// default calling convention, which on 32-bit Windows is not the window procedure's.
LRESULT CALLBACK CallMessageProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == TWin32MainThread::kCallMessage) {
        reinterpret_cast<TWin32MainThread*>(GetWindowLongPtrW(w, GWLP_USERDATA))->ServiceCalls();
        return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
}

// A window that answers the call message as the main window does.
class TCallWindow {
public:
    explicit TCallWindow(TWin32MainThread& pMain) {
        static const bool registered = [] {
            WNDCLASSEXW c{};
            c.cbSize = sizeof c;
            c.lpfnWndProc = CallMessageProc;
            c.hInstance = GetModuleHandleW(nullptr);
            c.lpszClassName = L"ZevCallWindow";
            return RegisterClassExW(&c) != 0;
        }();
        (void)registered;
        FWindow = CreateWindowExW(0, L"ZevCallWindow", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&pMain));
        pMain.SetWindow(FWindow);
    }
    ~TCallWindow() { DestroyWindow(FWindow); }
    TCallWindow(const TCallWindow&) = delete;
    TCallWindow& operator=(const TCallWindow&) = delete;
    HWND Handle() const { return FWindow; }

private:
    HWND FWindow = nullptr;
};

TEST(Win32MainThreadTest, WorkerCallsRunOnTheMainThreadWhileItPumps) {
    TWin32MainThread main;
    MainThreadScope scope(&main);
    TCallWindow window(main);
    EXPECT_EQ(main.MainWindowHandle(), reinterpret_cast<std::uintptr_t>(window.Handle()));

    const DWORD mainId = GetCurrentThreadId();
    std::atomic<int> ran{0};
    std::atomic<int> onMain{0};
    std::atomic<int> succeeded{0};
    std::thread workers[4];
    for (auto& worker : workers) {
        worker = std::thread([&] {
            for (int k = 0; k < 25; ++k) {
                const bool ok = RunOnMainThread([&] {
                    ++ran;
                    if (GetCurrentThreadId() == mainId) ++onMain;
                });
                if (ok) ++succeeded;
            }
        });
    }
    EXPECT_TRUE(PumpUntil([&] { return succeeded.load() == 100; }, 20000));
    for (auto& worker : workers) worker.join();
    EXPECT_EQ(ran.load(), 100);
    EXPECT_EQ(onMain.load(), 100);

    // From the main thread itself the call runs at once.
    bool direct = false;
    EXPECT_TRUE(RunOnMainThread([&] { direct = true; }));
    EXPECT_TRUE(direct);
}

TEST(Win32MainThreadTest, TerminatingReleasesAWorkerWhoseCallHasNotStarted) {
    TTerminatingReset reset;
    TWin32MainThread main;
    MainThreadScope scope(&main);
    TCallWindow window(main);

    std::atomic<bool> ran{false};
    std::atomic<int> result{-1};
    std::thread worker([&] { result = RunOnMainThread([&] { ran = true; }) ? 1 : 0; });
    // The main thread is busy (it does not pump): the worker waits.
    Sleep(300);
    EXPECT_EQ(result.load(), -1);

    SetApplicationTerminating(true);
    const auto start = std::chrono::steady_clock::now();
    while (result.load() == -1 &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
        Sleep(5);
    const auto waited = std::chrono::steady_clock::now() - start;
    worker.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_LT(waited, std::chrono::milliseconds(1000));

    // The call was withdrawn: pumping now does not run it.
    Pump(200);
    EXPECT_FALSE(ran.load());
    // Nor does anyone wait once the flag is set.
    EXPECT_FALSE(RunOnMainThread([] {}));
}

TEST(Win32MainThreadTest, ACallAlreadyRunningIsWaitedForWhenTerminationBegins) {
    TTerminatingReset reset;
    TWin32MainThread main;
    MainThreadScope scope(&main);
    TCallWindow window(main);

    std::atomic<bool> finished{false};
    std::atomic<bool> finishedBeforeReturn{false};
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        const bool ok = RunOnMainThread([&] {
            // On the main thread: the window closes in the middle of the call.
            SetApplicationTerminating(true);
            Sleep(200);
            finished = true;
        });
        finishedBeforeReturn = finished.load() && ok;
        returned = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return returned.load(); }, 5000));
    worker.join();
    EXPECT_TRUE(finishedBeforeReturn.load());
}

} // namespace
} // namespace zev
