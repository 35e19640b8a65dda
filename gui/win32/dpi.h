#pragma once
// Screen resolution for a program that is aware of it per monitor. The calls that came with
// later Windows versions are looked up at run time; where a system lacks them, the resolution
// of the whole screen stands in.

#include <windows.h>

namespace zev::win32 {

// Dots per inch of the monitor the window is on.
int WindowDpi(HWND pWindow);
// Dots per inch of the primary monitor, where new windows open.
int PrimaryMonitorDpi();
// The size of a window whose client area is pWidth x pHeight at that resolution.
SIZE WindowSizeForClient(int pWidth, int pHeight, DWORD pStyle, DWORD pExStyle, int pDpi);
// A system metric (GetSystemMetrics) at that resolution.
int SystemMetric(int pIndex, int pDpi);
// Moves the window to the middle of the primary monitor's work area.
void CentreOnDesktop(HWND pWindow);

} // namespace zev::win32
