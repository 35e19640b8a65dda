#include "gui/win32/message_loop.h"

namespace zev::win32 {

namespace {

void Dispatch(HWND pMainWindow, MSG& msg) {
    if (pMainWindow != nullptr && IsWindow(pMainWindow) && IsDialogMessageW(pMainWindow, &msg))
        return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

} // namespace

int RunMessageLoop(HWND pMainWindow) {
    MSG msg{};
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        Dispatch(pMainWindow, msg);
    }
    return static_cast<int>(msg.wParam);
}

bool PumpMessages(HWND pMainWindow) {
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        Dispatch(pMainWindow, msg);
    }
    return true;
}

} // namespace zev::win32
