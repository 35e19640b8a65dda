#include "gui/win32/dpi.h"

#include "app/window_layout.h"

#include <string>

namespace zev::win32 {

namespace {

using TGetDpiForWindow = UINT(WINAPI*)(HWND);
using TGetDpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using TAdjustWindowRectExForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using TGetSystemMetricsForDpi = int(WINAPI*)(int, UINT);

// A DLL that is not loaded yet comes from the system folder by its full path, never from the
// program's folder (shcore is no KnownDLL on Windows 8 and absent on Windows 7).
HMODULE SystemLibrary(const wchar_t* pModule) {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring path(folder, length);
    path += L'\\';
    path += pModule;
    // Its own imports then come from its folder, the system folder, too.
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <typename TFunction> TFunction Lookup(const wchar_t* pModule, const char* pName) {
    HMODULE module = GetModuleHandleW(pModule);
    if (module == nullptr) module = SystemLibrary(pModule);
    if (module == nullptr) return nullptr;
    return reinterpret_cast<TFunction>(reinterpret_cast<void*>(GetProcAddress(module, pName)));
}

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

} // namespace

int WindowDpi(HWND pWindow) {
    static const auto getDpi = Lookup<TGetDpiForWindow>(L"user32.dll", "GetDpiForWindow");
    if (getDpi != nullptr && pWindow != nullptr) {
        const UINT dpi = getDpi(pWindow);
        if (dpi > 0) return static_cast<int>(dpi);
    }
    return ScreenDpi();
}

int PrimaryMonitorDpi() {
    static const auto getDpi = Lookup<TGetDpiForMonitor>(L"shcore.dll", "GetDpiForMonitor");
    if (getDpi != nullptr) {
        HMONITOR monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
        UINT x = 0, y = 0;
        if (SUCCEEDED(getDpi(monitor, 0 /* effective */, &x, &y)) && y > 0)
            return static_cast<int>(y);
    }
    return ScreenDpi();
}

SIZE WindowSizeForClient(int pWidth, int pHeight, DWORD pStyle, DWORD pExStyle, int pDpi) {
    static const auto adjust =
        Lookup<TAdjustWindowRectExForDpi>(L"user32.dll", "AdjustWindowRectExForDpi");
    RECT r{0, 0, pWidth, pHeight};
    if (adjust == nullptr || !adjust(&r, pStyle, FALSE, pExStyle, static_cast<UINT>(pDpi)))
        AdjustWindowRectEx(&r, pStyle, FALSE, pExStyle);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

int SystemMetric(int pIndex, int pDpi) {
    static const auto metric =
        Lookup<TGetSystemMetricsForDpi>(L"user32.dll", "GetSystemMetricsForDpi");
    if (metric != nullptr) return metric(pIndex, static_cast<UINT>(pDpi));
    return GetSystemMetrics(pIndex);
}

void CentreOnDesktop(HWND pWindow) {
    RECT area{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
        area = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT window{};
    GetWindowRect(pWindow, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;
    SetWindowPos(pWindow, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace zev::win32
