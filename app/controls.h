#pragma once
// The controls the main window and its rows work with, without any GUI toolkit. The Qt and Win32
// bindings implement them with real widgets, place them by app/window_layout.h and hand them to
// the window through app/main_window_parts.h; the tests implement them by recording what is
// shown. All texts are UTF-8.

#include "app/colors.h"

#include <cstdint>
#include <functional>
#include <string>

namespace zev {

// A static text: the status line and the captions.
class ILabel {
public:
    virtual ~ILabel() = default;
    virtual void SetText(const std::string& pText) = 0;
    virtual void SetColor(TColor pColor) = 0;
};

class IButton {
public:
    virtual ~IButton() = default;
    virtual void SetCaption(const std::string& pCaption) = 0;
    virtual void SetEnabled(bool pEnabled) = 0;
    virtual bool Enabled() const = 0;
    // Runs when the user presses the button.
    virtual void SetOnClick(std::function<void()> pOnClick) = 0;
    // Takes the keyboard focus (at once, or when the window next becomes active).
    virtual void SetFocus() = 0;
};

// Range 0 .. 1000; in marquee style it shows a moving bar instead of its position.
class IProgressBar {
public:
    virtual ~IProgressBar() = default;
    virtual void SetPosition(int pPosition) = 0;
    virtual void SetMarquee(bool pMarquee) = 0;
    // Takes the keyboard focus: a key pressed then does nothing. The window parks the focus here
    // while no button may be pressed by a key meant for another.
    virtual void SetFocus() = 0;
};

// A timer of the GUI's message loop. While enabled it fires every interval on the main thread;
// the window's handlers disable their timer first, which makes it one-shot.
class ITimer {
public:
    virtual ~ITimer() = default;
    virtual void SetInterval(int pMs) = 0;
    virtual void SetEnabled(bool pEnabled) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetOnTimer(std::function<void()> pOnTimer) = 0;
};

// A picture control. Pictures are named; the binding maps a name to its image resource.
class IImage {
public:
    virtual ~IImage() = default;
    virtual void SetVisible(bool pVisible) = 0;
    virtual std::string Picture() const = 0;
};

// One row of the device list: an icon at the left, a word-wrapped caption, and a check box at the
// right edge. Setting the tick from code never runs the tick handler; only the user's click does.
class IDeviceRow {
public:
    virtual ~IDeviceRow() = default;
    virtual void SetIcon(const std::string& pPicture) = 0;
    virtual void SetCaption(const std::string& pCaption) = 0;
    virtual void SetChecked(bool pChecked) = 0;
    virtual bool Checked() const = 0;
    // The check box alone.
    virtual void SetBoxEnabled(bool pEnabled) = 0;
    // The whole row, the box with it.
    virtual void SetRowEnabled(bool pEnabled) = 0;
    virtual void SetColor(TColor pColor) = 0;
    // Above or below every other row of the list.
    virtual void MoveToTop() = 0;
    virtual void MoveToBottom() = 0;
    // The text shown while the pointer rests on the row, also on a disabled row; empty for none.
    virtual void SetHint(const std::string& pHint) = 0;
    // Scrolls the list as little as needed for the whole row to be in view.
    virtual void ScrollIntoView() = 0;
    // The row's check box takes the keyboard focus.
    virtual void SetFocus() = 0;
};

// The scrolling device list. Rows stack from the top and live as long as the list.
class IDeviceList {
public:
    virtual ~IDeviceList() = default;
    // A new row at the bottom, empty, ticked off, enabled, in the list's normal colour.
    // pOnChecked runs when the user changes the row's tick.
    virtual IDeviceRow* AddRow(std::function<void()> pOnChecked) = 0;
    // A text shown where the rows would be, word-wrapped, while the list has no rows (why no
    // device was found); empty for none. Lines end with CR LF.
    virtual void SetNotice(const std::string& pNotice) = 0;
};

class IWindow {
public:
    virtual ~IWindow() = default;
    virtual void SetTitle(const std::string& pTitle) = 0;
    // The colour of the thin frame around the window's content.
    virtual void SetFrameColor(TColor pColor) = 0;
    // Closes the window; the binding then calls the window's FormClose.
    virtual void Close() = 0;
};

// The language dialog: shows it modally and returns the chosen language (0 Russian, 1 English).
using TSelectLanguage = std::function<std::uint32_t()>;

// Everything the main window shows, as the binding built it. Not owned by the window.
struct TMainWindowControls {
    IWindow* Window = nullptr;
    ILabel* lblState = nullptr;
    ILabel* lblStateC = nullptr;
    ILabel* lblCDevices = nullptr;
    IButton* btnProg = nullptr;
    IButton* btnCancel = nullptr;
    IProgressBar* pgbMain = nullptr;
    IDeviceList* pnlData = nullptr;
    IImage* imgDev = nullptr;
    IImage* imgLogoRU = nullptr;
    IImage* imgLogoEN = nullptr;
    ITimer* tmrStartSearch = nullptr;
    ITimer* tmrStopSearch = nullptr;
    ITimer* tmrStartProg = nullptr;
    ITimer* tmrStopProg = nullptr;
    TSelectLanguage SelectLanguage;
};

// Names of the pictures the bindings provide.
inline constexpr const char* kPictureDevice = "device";
inline constexpr const char* kPictureLogoRU = "logo-ru";
inline constexpr const char* kPictureLogoEN = "logo-en";

} // namespace zev
