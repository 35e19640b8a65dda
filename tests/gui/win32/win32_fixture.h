#pragma once
// Helpers of the Win32 window tests: running the message loop for a while, packages, a window
// to hold controls, and reading what a window draws.

#include "datafiles/package_builder.h"
#include "gui/win32/controls_win32.h"
#include "gui/win32/main_form.h"
#include "gui/win32/message_loop.h"
#include "gui/win32/text16.h"
#include "threads/main_thread.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace zev::test {

// Runs the message loop until pDone() holds or pTimeoutMs has passed; the last pDone().
// Keyboard messages for pMainWindow go through the dialog manager, as in the program.
inline bool PumpUntil(const std::function<bool()>& pDone, int pTimeoutMs,
                      HWND pMainWindow = nullptr) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(pTimeoutMs);
    for (;;) {
        win32::PumpMessages(pMainWindow);
        if (pDone()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

inline void Pump(int pMs, HWND pMainWindow = nullptr) {
    PumpUntil([] { return false; }, pMs, pMainWindow);
}

// The demo package: ZEV-DEMO 1.05, variant 1, board revision 2.
inline ABytes DemoPackage() {
    return MakeDemoPayload(TDemoFirmware{});
}

// A plain top-level window to put controls in, destroyed with the object.
class TTestWindow {
public:
    TTestWindow(int pWidth, int pHeight) {
        static const bool registered = [] {
            WNDCLASSEXW c{};
            c.cbSize = sizeof c;
            c.lpfnWndProc = DefWindowProcW;
            c.hInstance = GetModuleHandleW(nullptr);
            c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            c.lpszClassName = L"ZevTestWindow";
            return RegisterClassExW(&c) != 0;
        }();
        (void)registered;
        FWindow = CreateWindowExW(0, L"ZevTestWindow", L"test", WS_POPUP | WS_VISIBLE, 0, 0, pWidth,
                                  pHeight, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~TTestWindow() { DestroyWindow(FWindow); }
    TTestWindow(const TTestWindow&) = delete;
    TTestWindow& operator=(const TTestWindow&) = delete;
    HWND Handle() const { return FWindow; }

private:
    HWND FWindow = nullptr;
};

// The colour a window gives its static text: what its parent answers to WM_CTLCOLORSTATIC.
inline COLORREF StaticTextColor(HWND pParent, HWND pStatic) {
    HDC dc = CreateCompatibleDC(nullptr);
    SendMessageW(pParent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(pStatic));
    const COLORREF color = GetTextColor(dc);
    DeleteDC(dc);
    return color;
}

// Counts the pixels of a colour that a window shows in a rectangle of its client area.
inline int CountPixels(HWND pWindow, RECT pArea, COLORREF pColor) {
    RedrawWindow(pWindow, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC dc = GetDC(pWindow);
    int count = 0;
    for (int y = pArea.top; y < pArea.bottom; ++y)
        for (int x = pArea.left; x < pArea.right; ++x)
            if (GetPixel(dc, x, y) == pColor) ++count;
    ReleaseDC(pWindow, dc);
    return count;
}

// A dialog or window with that title, once it exists; nullptr after the time-out.
inline HWND WaitForWindow(const wchar_t* pTitle, int pTimeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(pTimeoutMs);
    for (;;) {
        if (HWND found = FindWindowW(nullptr, pTitle)) return found;
        if (std::chrono::steady_clock::now() > deadline) return nullptr;
        Sleep(10);
    }
}

// Clears the application's terminating flag at the end of a test that closes a window.
struct TTerminatingReset {
    ~TTerminatingReset() { SetApplicationTerminating(false); }
};

} // namespace zev::test
