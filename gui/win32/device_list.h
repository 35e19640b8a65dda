#pragma once
// The device list on Win32: a borderless window that scrolls vertically and holds the rows, one
// child window each: the device icon at the left, the word-wrapped caption, and a check box at
// the right edge. The row draws its caption itself, so a finished row shows its green or red
// text even though it is disabled. Clicking the caption ticks the box, as clicking a check
// box's own text would; the box takes the keyboard focus (Tab, Space).

#include "app/controls.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zev::win32 {

class TWinDeviceList;

class TWinDeviceRow : public IDeviceRow {
public:
    TWinDeviceRow(TWinDeviceList& pList, std::function<void()> pOnChecked);
    ~TWinDeviceRow() override;
    TWinDeviceRow(const TWinDeviceRow&) = delete;
    TWinDeviceRow& operator=(const TWinDeviceRow&) = delete;

    void SetIcon(const std::string& pPicture) override;
    void SetCaption(const std::string& pCaption) override;
    void SetChecked(bool pChecked) override;
    bool Checked() const override;
    void SetBoxEnabled(bool pEnabled) override;
    void SetRowEnabled(bool pEnabled) override;
    void SetColor(TColor pColor) override;
    void MoveToTop() override;
    void MoveToBottom() override;
    // The row's tool tip. A disabled row gets no mouse input of its own (the list does), so the
    // tip belongs to the list and covers the row's place there.
    void SetHint(const std::string& pHint) override;
    void ScrollIntoView() override;
    void SetFocus() override;

    HWND Handle() const { return FRow; }
    const std::string& Hint() const { return FHint; }
    HWND Box() const { return FBox; }
    const std::string& Caption() const { return FCaption; }
    const std::string& Icon() const { return FIcon; }
    bool BoxEnabled() const { return FBoxEnabled; }
    bool RowEnabled() const { return FRowEnabled; }
    // The colour the caption is drawn in: its own colour, or grey text where the row or its box
    // is disabled and the colour is a system one.
    COLORREF CaptionColor() const;
    // Places the row and its box in the list.
    void Place(int pTop, int pWidth);

private:
    friend class TWinDeviceList; // registers the row's window class

    static LRESULT CALLBACK WndProc(HWND pWindow, UINT pMessage, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT pMessage, WPARAM wParam, LPARAM lParam);
    void Paint();
    RECT CaptionRect() const;

    TWinDeviceList& FList;
    std::function<void()> FOnChecked;
    HWND FRow = nullptr;
    HWND FBox = nullptr;
    std::string FIcon;
    std::string FHint;
    std::string FCaption;
    std::wstring FCaption16;
    TColor FColor = clWindowText;
    bool FBoxEnabled = true;
    bool FRowEnabled = true;
    bool FBoxFocused = false;
};

class TWinDeviceList : public IDeviceList {
public:
    TWinDeviceList(HWND pParent, int pDpi, HFONT pFont);
    ~TWinDeviceList() override;
    TWinDeviceList(const TWinDeviceList&) = delete;
    TWinDeviceList& operator=(const TWinDeviceList&) = delete;

    IDeviceRow* AddRow(std::function<void()> pOnChecked) override;
    // Drawn by the list itself, word-wrapped, while it has no rows.
    void SetNotice(const std::string& pNotice) override;
    const std::string& Notice() const { return FNotice; }

    HWND Handle() const { return FList; }
    // Rows from the top down.
    const std::vector<TWinDeviceRow*>& Rows() const { return FOrder; }
    void Move(TWinDeviceRow* pRow, bool pTop);
    // The list's place in its parent, and the resolution and font of its rows.
    void SetBounds(int pX, int pY, int pWidth, int pHeight);
    void SetDpi(int pDpi, HFONT pFont);
    int Dpi() const { return FDpi; }
    HFONT Font() const { return FFont; }
    // Scroll position in pixels from the top.
    int ScrollPosition() const { return FScroll; }
    void ScrollTo(int pPosition);
    // Scrolls as little as needed for the whole row to be in view.
    void ScrollIntoView(const TWinDeviceRow* pRow);
    // The tool tip control of the rows' hints; null until a row has a hint.
    HWND ToolTip() const { return FToolTip; }
    void SetHint(const TWinDeviceRow* pRow, const std::string& pHint);

    // Registers the window classes of the list and its rows; once per program.
    static void RegisterClasses(HINSTANCE pInstance);

private:
    static LRESULT CALLBACK WndProc(HWND pWindow, UINT pMessage, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT pMessage, WPARAM wParam, LPARAM lParam);
    void Layout();
    // The hint's place follows its row.
    void PlaceHint(const TWinDeviceRow* pRow);
    void Paint();

    HWND FList = nullptr;
    HWND FToolTip = nullptr;
    std::string FNotice;
    std::wstring FNotice16;
    std::vector<const TWinDeviceRow*> FHinted; // the rows with a tool in FToolTip
    int FDpi;
    HFONT FFont;
    int FScroll = 0;
    std::vector<std::unique_ptr<TWinDeviceRow>> FRows; // in order of creation
    std::vector<TWinDeviceRow*> FOrder;                // from the top down
};

inline constexpr const wchar_t* kDeviceListClass = L"ZevDeviceList";
inline constexpr const wchar_t* kDeviceRowClass = L"ZevDeviceRow";

} // namespace zev::win32
