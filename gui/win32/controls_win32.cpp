#include "gui/win32/controls_win32.h"

#include "gui/win32/text16.h"

#include <commctrl.h>

namespace zev::win32 {

COLORREF ToColorRef(TColor pColor) {
    if (pColor.System) return GetSysColor(static_cast<int>(pColor.Value));
    return RGB(pColor.Red(), pColor.Green(), pColor.Blue());
}

namespace {
constexpr const wchar_t* kFocusProperty = L"ZevFocus";
} // namespace

void RememberFocus(HWND pWindow, HWND pControl) {
    SetPropW(pWindow, kFocusProperty, pControl);
}

HWND RememberedFocus(HWND pWindow) {
    HWND control = static_cast<HWND>(GetPropW(pWindow, kFocusProperty));
    return control != nullptr && IsWindow(control) && IsChild(pWindow, control) ? control : nullptr;
}

void FocusControl(HWND pControl) {
    HWND window = GetAncestor(pControl, GA_ROOT);
    RememberFocus(window, pControl);
    if (GetActiveWindow() == window) SetFocus(pControl);
}

void TWinLabel::SetText(const std::string& pText) {
    SetWindowTextW(FStatic, ToUtf16(pText).c_str());
}

void TWinLabel::SetColor(TColor pColor) {
    FColor = pColor;
    InvalidateRect(FStatic, nullptr, TRUE);
}

void TWinButton::SetCaption(const std::string& pCaption) {
    SetWindowTextW(FButton, ToUtf16(pCaption).c_str());
}

void TWinButton::SetEnabled(bool pEnabled) {
    EnableWindow(FButton, pEnabled ? TRUE : FALSE);
}

bool TWinButton::Enabled() const {
    return IsWindowEnabled(FButton) != FALSE;
}

void TWinButton::Click() {
    if (FOnClick && Enabled()) FOnClick();
}

TWinProgressBar::TWinProgressBar(HWND pBar) : FBar(pBar) {
    SendMessageW(FBar, PBM_SETRANGE32, 0, 1000);
}

void TWinProgressBar::SetPosition(int pPosition) {
    SendMessageW(FBar, PBM_SETPOS, static_cast<WPARAM>(pPosition), 0);
}

void TWinProgressBar::SetMarquee(bool pMarquee) {
    if (pMarquee == FMarquee) return;
    FMarquee = pMarquee;
    const LONG_PTR style = GetWindowLongPtrW(FBar, GWL_STYLE);
    if (pMarquee) {
        SetWindowLongPtrW(FBar, GWL_STYLE, style | PBS_MARQUEE);
        SendMessageW(FBar, PBM_SETMARQUEE, TRUE, 30);
    } else {
        SendMessageW(FBar, PBM_SETMARQUEE, FALSE, 0);
        SetWindowLongPtrW(FBar, GWL_STYLE, style & ~static_cast<LONG_PTR>(PBS_MARQUEE));
        SendMessageW(FBar, PBM_SETRANGE32, 0, 1000);
    }
    InvalidateRect(FBar, nullptr, TRUE);
}

TWinTimer::~TWinTimer() {
    if (FEnabled) KillTimer(FWindow, FId);
}

void TWinTimer::SetInterval(int pMs) {
    FInterval = pMs > 0 ? pMs : 1;
    if (FEnabled) SetTimer(FWindow, FId, static_cast<UINT>(FInterval), nullptr);
}

void TWinTimer::SetEnabled(bool pEnabled) {
    FEnabled = pEnabled;
    if (pEnabled)
        SetTimer(FWindow, FId, static_cast<UINT>(FInterval), nullptr);
    else
        KillTimer(FWindow, FId);
}

void TWinTimer::Fire() {
    // A WM_TIMER already queued when the timer was stopped is not acted on.
    if (FEnabled && FOnTimer) FOnTimer();
}

void TWinImage::SetVisible(bool pVisible) {
    if (pVisible == FVisible) return;
    FVisible = pVisible;
    if (FOnChange) FOnChange();
}

void TWinWindow::SetTitle(const std::string& pTitle) {
    SetWindowTextW(FWindow, ToUtf16(pTitle).c_str());
}

void TWinWindow::SetFrameColor(TColor pColor) {
    FFrameColor = pColor;
    if (FOnFrameColor) FOnFrameColor();
}

void TWinWindow::Close() {
    PostMessageW(FWindow, WM_CLOSE, 0, 0);
}

} // namespace zev::win32
