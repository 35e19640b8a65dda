#include "gui/win32/device_list.h"

#include "app/window_layout.h"
#include "gui/win32/controls_win32.h"
#include "gui/win32/dpi.h"
#include "gui/win32/pictures.h"
#include "gui/win32/text16.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace zev::win32 {

namespace {

constexpr int kBoxId = 100;

template <typename T> T* Owner(HWND pWindow, UINT pMessage, LPARAM lParam) {
    if (pMessage == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(pWindow, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    return reinterpret_cast<T*>(GetWindowLongPtrW(pWindow, GWLP_USERDATA));
}

} // namespace

// --- a row ----------------------------------------------------------------------------------

TWinDeviceRow::TWinDeviceRow(TWinDeviceList& pList, std::function<void()> pOnChecked)
    : FList(pList), FOnChecked(std::move(pOnChecked)) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    FRow = CreateWindowExW(WS_EX_CONTROLPARENT, kDeviceRowClass, L"",
                           WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, pList.Handle(),
                           nullptr, instance, this);
    // The box alone; its caption is drawn by the row.
    FBox = CreateWindowExW(
        0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX | BS_NOTIFY, 0, 0,
        0, 0, FRow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBoxId)), instance, nullptr);
    SendMessageW(FBox, WM_SETFONT, reinterpret_cast<WPARAM>(pList.Font()), FALSE);
}

TWinDeviceRow::~TWinDeviceRow() {
    if (IsWindow(FRow)) {
        SetWindowLongPtrW(FRow, GWLP_USERDATA, 0);
        DestroyWindow(FRow);
    }
}

void TWinDeviceRow::SetIcon(const std::string& pPicture) {
    FIcon = pPicture;
    InvalidateRect(FRow, nullptr, TRUE);
}

void TWinDeviceRow::SetCaption(const std::string& pCaption) {
    FCaption = pCaption;
    FCaption16 = ToUtf16(pCaption);
    InvalidateRect(FRow, nullptr, TRUE);
}

void TWinDeviceRow::SetChecked(bool pChecked) {
    // BM_SETCHECK does not notify: ticks set here never reach the tick handler.
    SendMessageW(FBox, BM_SETCHECK, pChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TWinDeviceRow::Checked() const {
    return SendMessageW(FBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TWinDeviceRow::SetBoxEnabled(bool pEnabled) {
    FBoxEnabled = pEnabled;
    EnableWindow(FBox, pEnabled ? TRUE : FALSE);
    InvalidateRect(FRow, nullptr, TRUE);
}

void TWinDeviceRow::SetRowEnabled(bool pEnabled) {
    FRowEnabled = pEnabled;
    EnableWindow(FRow, pEnabled ? TRUE : FALSE);
    InvalidateRect(FRow, nullptr, TRUE);
}

void TWinDeviceRow::SetColor(TColor pColor) {
    FColor = pColor;
    InvalidateRect(FRow, nullptr, TRUE);
}

void TWinDeviceRow::MoveToTop() {
    FList.Move(this, true);
}

void TWinDeviceRow::MoveToBottom() {
    FList.Move(this, false);
}

void TWinDeviceRow::SetHint(const std::string& pHint) {
    FHint = pHint;
    FList.SetHint(this, pHint);
}

void TWinDeviceRow::ScrollIntoView() {
    FList.ScrollIntoView(this);
}

void TWinDeviceRow::SetFocus() {
    FocusControl(FBox);
}

COLORREF TWinDeviceRow::CaptionColor() const {
    if (FColor.System && (!FBoxEnabled || !FRowEnabled)) return GetSysColor(COLOR_GRAYTEXT);
    return ToColorRef(FColor);
}

void TWinDeviceRow::Place(int pTop, int pWidth) {
    const int dpi = FList.Dpi();
    const int height = Scale(kRowHeight, dpi);
    SetWindowPos(FRow, nullptr, 0, pTop, pWidth, height, SWP_NOZORDER | SWP_NOACTIVATE);
    const int box = SystemMetric(SM_CXMENUCHECK, dpi) + Scale(4, dpi);
    SetWindowPos(FBox, nullptr, pWidth - box, (height - box) / 2, box, box,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(FBox, WM_SETFONT, reinterpret_cast<WPARAM>(FList.Font()), FALSE);
    InvalidateRect(FRow, nullptr, TRUE);
}

RECT TWinDeviceRow::CaptionRect() const {
    const int dpi = FList.Dpi();
    RECT client{}, box{};
    GetClientRect(FRow, &client);
    GetWindowRect(FBox, &box);
    MapWindowPoints(nullptr, FRow, reinterpret_cast<POINT*>(&box), 2);
    const TPicture& icon = PictureByName(FIcon);
    const int iconWidth = icon.Empty() ? 0 : Scale(icon.Width(), dpi) + Scale(kRowIconGap, dpi);
    return RECT{client.left + iconWidth, client.top, box.left - Scale(2, dpi), client.bottom};
}

void TWinDeviceRow::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(FRow, &ps);
    RECT client{};
    GetClientRect(FRow, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));

    const int dpi = FList.Dpi();
    const TPicture& icon = PictureByName(FIcon);
    if (!icon.Empty()) {
        const int width = Scale(icon.Width(), dpi);
        const int height = Scale(icon.Height(), dpi);
        icon.Draw(dc, 0, (client.bottom - height) / 2, width, height);
    }

    RECT text = CaptionRect();
    HGDIOBJ oldFont = SelectObject(dc, FList.Font());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, CaptionColor());
    const UINT format = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL;
    RECT measure = text;
    DrawTextW(dc, FCaption16.c_str(), static_cast<int>(FCaption16.size()), &measure,
              format | DT_CALCRECT);
    // The caption stands in the middle of the row's height, as a check box's text does.
    const int height = measure.bottom - measure.top;
    if (height < text.bottom - text.top) {
        text.top += (text.bottom - text.top - height) / 2;
        text.bottom = text.top + height;
    }
    DrawTextW(dc, FCaption16.c_str(), static_cast<int>(FCaption16.size()), &text, format);
    if (FBoxFocused) {
        const LONG width = std::min(measure.right - measure.left, text.right - text.left);
        RECT focus{text.left - 1, text.top, text.left + width + 1, text.bottom};
        DrawFocusRect(dc, &focus);
    }
    SelectObject(dc, oldFont);
    EndPaint(FRow, &ps);
}

LRESULT CALLBACK TWinDeviceRow::WndProc(HWND pWindow, UINT pMessage, WPARAM wParam, LPARAM lParam) {
    auto* row = Owner<TWinDeviceRow>(pWindow, pMessage, lParam);
    if (row != nullptr && row->FRow == nullptr) row->FRow = pWindow;
    if (row != nullptr) return row->OnMessage(pMessage, wParam, lParam);
    return DefWindowProcW(pWindow, pMessage, wParam, lParam);
}

LRESULT TWinDeviceRow::OnMessage(UINT pMessage, WPARAM wParam, LPARAM lParam) {
    switch (pMessage) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONUP: {
        // A click on the caption ticks the box, as long as the box can be ticked.
        const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const RECT caption = CaptionRect();
        if (PtInRect(&caption, at) && FBoxEnabled && FRowEnabled && IsWindowEnabled(FBox)) {
            ::SetFocus(FBox);
            SendMessageW(FBox, BM_CLICK, 0, 0);
        }
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == kBoxId) {
            switch (HIWORD(wParam)) {
            case BN_CLICKED:
                if (FOnChecked) FOnChecked();
                break;
            case BN_SETFOCUS:
            case BN_KILLFOCUS:
                FBoxFocused = HIWORD(wParam) == BN_SETFOCUS;
                InvalidateRect(FRow, nullptr, TRUE);
                // Keep the focused row in view.
                if (FBoxFocused) {
                    RECT r{};
                    GetWindowRect(FRow, &r);
                    MapWindowPoints(nullptr, FList.Handle(), reinterpret_cast<POINT*>(&r), 2);
                    RECT list{};
                    GetClientRect(FList.Handle(), &list);
                    if (r.top < 0)
                        FList.ScrollTo(FList.ScrollPosition() + r.top);
                    else if (r.bottom > list.bottom)
                        FList.ScrollTo(FList.ScrollPosition() + r.bottom - list.bottom);
                }
                break;
            default:
                break;
            }
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    default:
        break;
    }
    return DefWindowProcW(FRow, pMessage, wParam, lParam);
}

// --- the list -------------------------------------------------------------------------------

TWinDeviceList::TWinDeviceList(HWND pParent, int pDpi, HFONT pFont) : FDpi(pDpi), FFont(pFont) {
    FList = CreateWindowExW(WS_EX_CONTROLPARENT, kDeviceListClass, L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPCHILDREN, 0, 0, 0, 0,
                            pParent, nullptr, GetModuleHandleW(nullptr), this);
    ShowScrollBar(FList, SB_VERT, FALSE);
}

TWinDeviceList::~TWinDeviceList() {
    if (FToolTip != nullptr) DestroyWindow(FToolTip);
    FOrder.clear();
    FRows.clear();
    if (IsWindow(FList)) {
        SetWindowLongPtrW(FList, GWLP_USERDATA, 0);
        DestroyWindow(FList);
    }
}

IDeviceRow* TWinDeviceList::AddRow(std::function<void()> pOnChecked) {
    FRows.push_back(std::make_unique<TWinDeviceRow>(*this, std::move(pOnChecked)));
    FOrder.push_back(FRows.back().get());
    Layout();
    if (FOrder.size() == 1 && !FNotice.empty()) InvalidateRect(FList, nullptr, TRUE);
    return FRows.back().get();
}

void TWinDeviceList::SetNotice(const std::string& pNotice) {
    if (pNotice == FNotice) return;
    FNotice = pNotice;
    FNotice16 = ToUtf16(pNotice);
    InvalidateRect(FList, nullptr, TRUE);
}

void TWinDeviceList::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(FList, &ps);
    if (FOrder.empty() && !FNotice16.empty()) {
        RECT text{};
        GetClientRect(FList, &text);
        text.right -= Scale(kListRightPadding, FDpi);
        HGDIOBJ oldFont = SelectObject(dc, FFont);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        DrawTextW(dc, FNotice16.c_str(), static_cast<int>(FNotice16.size()), &text,
                  DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
        SelectObject(dc, oldFont);
    }
    EndPaint(FList, &ps);
}

void TWinDeviceList::Move(TWinDeviceRow* pRow, bool pTop) {
    auto found = std::find(FOrder.begin(), FOrder.end(), pRow);
    if (found == FOrder.end()) return;
    FOrder.erase(found);
    FOrder.insert(pTop ? FOrder.begin() : FOrder.end(), pRow);
    // Tab order follows the rows from the top down.
    HWND after = HWND_TOP;
    for (TWinDeviceRow* row : FOrder) {
        SetWindowPos(row->Handle(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = row->Handle();
    }
    Layout();
}

void TWinDeviceList::SetBounds(int pX, int pY, int pWidth, int pHeight) {
    SetWindowPos(FList, nullptr, pX, pY, pWidth, pHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
}

void TWinDeviceList::SetDpi(int pDpi, HFONT pFont) {
    if (pDpi > 0 && pDpi != FDpi) FScroll = MulDiv(FScroll, pDpi, FDpi);
    if (pDpi > 0) FDpi = pDpi;
    FFont = pFont;
    Layout();
}

void TWinDeviceList::ScrollTo(int pPosition) {
    FScroll = pPosition;
    Layout();
}

void TWinDeviceList::ScrollIntoView(const TWinDeviceRow* pRow) {
    const auto found = std::find(FOrder.begin(), FOrder.end(), pRow);
    if (found == FOrder.end()) return;
    const int rowHeight = Scale(kRowHeight, FDpi);
    const int top = rowHeight * static_cast<int>(found - FOrder.begin());
    RECT client{};
    GetClientRect(FList, &client);
    if (top < FScroll)
        ScrollTo(top);
    else if (top + rowHeight > FScroll + client.bottom)
        ScrollTo(top + rowHeight - client.bottom);
}

void TWinDeviceList::SetHint(const TWinDeviceRow* pRow, const std::string& pHint) {
    if (FToolTip == nullptr) {
        FToolTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                   WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, FList, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        if (FToolTip == nullptr) return;
        // Wide enough for the longest failure text on one line.
        SendMessageW(FToolTip, TTM_SETMAXTIPWIDTH, 0, Scale(400, FDpi));
    }
    std::wstring text = ToUtf16(pHint);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = FList;
    tool.uId = reinterpret_cast<UINT_PTR>(pRow);
    tool.lpszText = text.data();
    const auto known = std::find(FHinted.begin(), FHinted.end(), pRow);
    if (pHint.empty()) {
        if (known == FHinted.end()) return;
        SendMessageW(FToolTip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        FHinted.erase(known);
        return;
    }
    if (known != FHinted.end()) {
        SendMessageW(FToolTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    } else {
        SendMessageW(FToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        FHinted.push_back(pRow);
    }
    PlaceHint(pRow);
}

void TWinDeviceList::PlaceHint(const TWinDeviceRow* pRow) {
    if (FToolTip == nullptr || pRow->Hint().empty()) return;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = FList;
    tool.uId = reinterpret_cast<UINT_PTR>(pRow);
    GetWindowRect(pRow->Handle(), &tool.rect);
    MapWindowPoints(nullptr, FList, reinterpret_cast<POINT*>(&tool.rect), 2);
    SendMessageW(FToolTip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TWinDeviceList::Layout() {
    if (FList == nullptr) return;
    const int rowHeight = Scale(kRowHeight, FDpi);
    const int total = rowHeight * static_cast<int>(FOrder.size());
    RECT client{};
    GetClientRect(FList, &client);
    const bool scrolls = total > client.bottom;
    ShowScrollBar(FList, SB_VERT, scrolls ? TRUE : FALSE);
    GetClientRect(FList, &client);
    const int page = client.bottom;
    FScroll = std::clamp(FScroll, 0, std::max(0, total - page));
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = std::max(0, total - 1);
    info.nPage = static_cast<UINT>(std::max(0, page));
    info.nPos = FScroll;
    if (scrolls) SetScrollInfo(FList, SB_VERT, &info, TRUE);
    const int width = std::max(0, static_cast<int>(client.right) - Scale(kListRightPadding, FDpi));
    int top = -FScroll;
    for (TWinDeviceRow* row : FOrder) {
        row->Place(top, width);
        PlaceHint(row);
        top += rowHeight;
    }
}

LRESULT CALLBACK TWinDeviceList::WndProc(HWND pWindow, UINT pMessage, WPARAM wParam,
                                         LPARAM lParam) {
    auto* list = Owner<TWinDeviceList>(pWindow, pMessage, lParam);
    if (list != nullptr && list->FList == nullptr) list->FList = pWindow;
    if (list != nullptr) return list->OnMessage(pMessage, wParam, lParam);
    return DefWindowProcW(pWindow, pMessage, wParam, lParam);
}

LRESULT TWinDeviceList::OnMessage(UINT pMessage, WPARAM wParam, LPARAM lParam) {
    switch (pMessage) {
    case WM_VSCROLL: {
        const int line = Scale(kRowHeight, FDpi);
        RECT client{};
        GetClientRect(FList, &client);
        int position = FScroll;
        switch (LOWORD(wParam)) {
        case SB_LINEUP:
            position -= line;
            break;
        case SB_LINEDOWN:
            position += line;
            break;
        case SB_PAGEUP:
            position -= client.bottom;
            break;
        case SB_PAGEDOWN:
            position += client.bottom;
            break;
        case SB_TOP:
            position = 0;
            break;
        case SB_BOTTOM:
            position = 1 << 30;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO info{};
            info.cbSize = sizeof info;
            info.fMask = SIF_TRACKPOS;
            GetScrollInfo(FList, SB_VERT, &info);
            position = info.nTrackPos;
            break;
        }
        default:
            break;
        }
        ScrollTo(position);
        return 0;
    }
    case WM_MOUSEWHEEL: {
        const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
        ScrollTo(FScroll - delta * Scale(kRowHeight, FDpi) / WHEEL_DELTA);
        return 0;
    }
    case WM_SIZE:
        Layout();
        return 0;
    case WM_PAINT:
        Paint();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(FList, pMessage, wParam, lParam);
}

void TWinDeviceList::RegisterClasses(HINSTANCE pInstance) {
    WNDCLASSEXW list{};
    list.cbSize = sizeof list;
    list.lpfnWndProc = &TWinDeviceList::WndProc;
    list.hInstance = pInstance;
    list.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    list.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    list.lpszClassName = kDeviceListClass;
    RegisterClassExW(&list);

    WNDCLASSEXW row = list;
    row.lpfnWndProc = &TWinDeviceRow::WndProc;
    row.lpszClassName = kDeviceRowClass;
    RegisterClassExW(&row);
}

} // namespace zev::win32
