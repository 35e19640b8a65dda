#pragma once
// Where the controls of the main window and of the language dialog lie, for every GUI binding.
// Sizes are given at 96 dots per inch and placed the way aligned controls take their places in
// a form: each one docks to a side of what its parent has left, inset by its margins; the last
// one fills the rest. Scale() turns a layout into the pixels of another resolution.

namespace zev {

inline constexpr int kBaseDpi = 96;

struct TRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool operator==(const TRect&) const = default;
};

struct TMargins {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Docks controls in an area, one after the other.
class TDock {
public:
    explicit TDock(TRect pArea) : FRest(pArea) {}
    TRect Top(int pHeight, TMargins pMargins = {});
    TRect Bottom(int pHeight, TMargins pMargins = {});
    TRect Left(int pWidth, TMargins pMargins = {});
    TRect Right(int pWidth, TMargins pMargins = {});
    // Fills what is left.
    TRect Client(TMargins pMargins = {}) const;

private:
    TRect FRest;
};

// A value at 96 dpi in pixels of pDpi, rounded to the nearest pixel.
int Scale(int pValue, int pDpi);
TRect Scale(const TRect& pRect, int pDpi);

// The main window, client coordinates.
struct TMainLayout {
    TRect client;    // 576 x 370
    TRect pnlMain;   // the content; the window's own colour shows around it
    TRect GroupBox1; // the frame around header, separator, devices and progress bar
    TRect Panel1, Panel5, Panel4, imgLogo, lblStateC, lblState;
    TRect Shape1, Shape2;
    TRect Panel2, Panel3, lblCDevices, pnlData;
    TRect pgbMain;
    TRect pnlBtns, btnProg, btnCancel;
};

// A Win32 frame without a caption keeps this much inside its edge at 96 dpi: the height of a
// line of its text above, two pixels of border on each side.
inline constexpr TMargins kGroupBoxInset{2, 15, 2, 2};

// pGroupInset: what the toolkit's frame control keeps inside its edge (GroupBox1's contents
// start there); the Qt binding passes its style's own, which draws the frame differently.
TMainLayout MainLayout(TMargins pGroupInset = kGroupBoxInset);
TMainLayout Scale(const TMainLayout& pLayout, int pDpi);

// The language dialog, client coordinates.
struct TLangLayout {
    TRect client; // 200 x 135
    TRect pnlButtons, btnRU, btnEN;
};

TLangLayout LangLayout();
TLangLayout Scale(const TLangLayout& pLayout, int pDpi);

// Height of a device row and the list's right padding, at 96 dpi.
inline constexpr int kRowHeight = 41;
inline constexpr int kListRightPadding = 5;
// The icon's right margin in a row.
inline constexpr int kRowIconGap = 5;

} // namespace zev
