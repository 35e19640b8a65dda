#pragma once
// The window's controls (app/controls.h) on Win32 controls. Each adapter refers to a control
// window that the main form creates and owns; the adapters belong to the form too.

#include "app/controls.h"
#include "app/main_window_parts.h"

#include <windows.h>

#include <functional>
#include <string>

namespace zev::win32 {

// The colour as a COLORREF; system colours come from the system's palette.
COLORREF ToColorRef(TColor pColor);

// Gives the control the keyboard focus: at once while its window is active, and in any case
// the window gives it back when it next takes the focus (RememberedFocus).
void FocusControl(HWND pControl);
// The control of the top-level window pWindow that last took the focus through FocusControl or
// had it when the window was deactivated (RememberFocus); null for none.
HWND RememberedFocus(HWND pWindow);
void RememberFocus(HWND pWindow, HWND pControl);

// A static text. Its colour is applied by its parent when the text is drawn
// (WM_CTLCOLORSTATIC); window text until set.
class TWinLabel : public ILabel {
public:
    explicit TWinLabel(HWND pStatic) : FStatic(pStatic) {}
    void SetText(const std::string& pText) override;
    void SetColor(TColor pColor) override;

    HWND Handle() const { return FStatic; }
    TColor Color() const { return FColor; }

private:
    HWND FStatic;
    TColor FColor = clWindowText;
};

// A push button. Its parent passes the button's clicks (BN_CLICKED) to Click().
class TWinButton : public IButton {
public:
    explicit TWinButton(HWND pButton) : FButton(pButton) {}
    void SetCaption(const std::string& pCaption) override;
    void SetEnabled(bool pEnabled) override;
    bool Enabled() const override;
    void SetOnClick(std::function<void()> pOnClick) override { FOnClick = std::move(pOnClick); }
    void SetFocus() override { FocusControl(FButton); }

    HWND Handle() const { return FButton; }
    void Click();

private:
    HWND FButton;
    std::function<void()> FOnClick;
};

// A common-controls progress bar, range 0 .. 1000; the marquee style shows a moving bar.
class TWinProgressBar : public IProgressBar {
public:
    explicit TWinProgressBar(HWND pBar);
    void SetPosition(int pPosition) override;
    void SetMarquee(bool pMarquee) override;
    // Not a tab stop, but it may hold the focus: it does nothing with the keys.
    void SetFocus() override { FocusControl(FBar); }

    HWND Handle() const { return FBar; }
    bool Marquee() const { return FMarquee; }

private:
    HWND FBar;
    bool FMarquee = false;
};

// A timer of the window's message loop (SetTimer/KillTimer). Its window passes WM_TIMER with
// the timer's id to Fire(). Enabling a running timer starts its interval again.
class TWinTimer : public ITimer {
public:
    TWinTimer(HWND pWindow, UINT_PTR pId) : FWindow(pWindow), FId(pId) {}
    ~TWinTimer() override;
    TWinTimer(const TWinTimer&) = delete;
    TWinTimer& operator=(const TWinTimer&) = delete;

    void SetInterval(int pMs) override;
    void SetEnabled(bool pEnabled) override;
    bool Enabled() const override { return FEnabled; }
    void SetOnTimer(std::function<void()> pOnTimer) override { FOnTimer = std::move(pOnTimer); }

    UINT_PTR Id() const { return FId; }
    void Fire();

private:
    HWND FWindow;
    UINT_PTR FId;
    int FInterval = 1000;
    bool FEnabled = false;
    std::function<void()> FOnTimer;
};

// A picture that its parent draws when painting. Changing its visibility repaints its place.
class TWinImage : public IImage {
public:
    TWinImage(std::string pPicture, std::function<void()> pOnChange)
        : FPicture(std::move(pPicture)), FOnChange(std::move(pOnChange)) {}
    void SetVisible(bool pVisible) override;
    std::string Picture() const override { return FPicture; }
    bool Visible() const { return FVisible; }

private:
    std::string FPicture;
    std::function<void()> FOnChange;
    bool FVisible = true;
};

// The main window itself: title, frame colour, closing.
class TWinWindow : public IWindow {
public:
    TWinWindow(HWND pWindow, std::function<void()> pOnFrameColor)
        : FWindow(pWindow), FOnFrameColor(std::move(pOnFrameColor)) {}
    void SetTitle(const std::string& pTitle) override;
    void SetFrameColor(TColor pColor) override;
    void Close() override;

    TColor FrameColor() const { return FFrameColor; }

private:
    HWND FWindow;
    std::function<void()> FOnFrameColor;
    TColor FFrameColor = clGradientInactiveCaption;
};

// The main window's controls on Win32, as the form owns them.
using TWinMainWindowParts =
    TMainWindowParts<TWinWindow, TWinLabel, TWinButton, TWinProgressBar, TWinImage, TWinTimer>;

} // namespace zev::win32
