#pragma once
// The program's message loop: runs until WM_QUIT. Keyboard messages for the main window and its
// controls go through the dialog manager first, so Tab moves between the controls, Space ticks
// a row's box and Enter presses the default button.

#include <windows.h>

namespace zev::win32 {

// Returns the exit code that came with WM_QUIT.
int RunMessageLoop(HWND pMainWindow);

// Handles what is waiting, without blocking; false once WM_QUIT has arrived (it is posted again
// so that an outer loop sees it too).
bool PumpMessages(HWND pMainWindow);

} // namespace zev::win32
