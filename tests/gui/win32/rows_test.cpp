// Device rows on the Win32 device list, built and changed through TInfoPanel as the window does:
// order, ticks, captions, colours, enabling, the tick handler, and scrolling.

#include "app/info_panel.h"
#include "app/window_layout.h"
#include "core/lang.h"
#include "gui/win32/device_list.h"
#include "win32_fixture.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace zev {
namespace {

using namespace zev::test;
using win32::TWinDeviceList;
using win32::TWinDeviceRow;

// A list the size of the window's, in a window of its own, with the window's device icon.
class Win32RowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        CurrentLanguage = kLangEnglish;
        FDpi = kBaseDpi;
        FList = std::make_unique<TWinDeviceList>(FWindow.Handle(), FDpi, FFont.Handle());
        FList->SetBounds(10, 10, 352, 158);
    }
    void TearDown() override {
        FList.reset();
        CurrentLanguage = kLangRussian;
    }

    TWinDeviceRow& Row(const TInfoPanel& pPanel) { return *static_cast<TWinDeviceRow*>(pPanel.P); }

    // The row's top and bottom in the list.
    RECT Place(const TInfoPanel& pPanel) {
        RECT r{};
        GetWindowRect(Row(pPanel).Handle(), &r);
        MapWindowPoints(nullptr, FList->Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    // Clicks the caption of the row, left of its box.
    void ClickCaption(const TInfoPanel& pPanel) {
        SendMessageW(Row(pPanel).Handle(), WM_LBUTTONUP, 0, MAKELPARAM(60, 20));
    }

    TTestWindow FWindow{400, 200};
    win32::TFont FFont{win32::kFontFace, 8, false, kBaseDpi};
    int FDpi = 96;
    std::unique_ptr<TWinDeviceList> FList;
    win32::TWinImage FIcon{kPictureDevice, nullptr};
};

TEST_F(Win32RowsTest, NewRowsStackLastFoundOnTopWithTheirStates) {
    int ticks = 0;
    const auto onChecked = [&] { ++ticks; };
    TInfoPanel a, b, c;
    a.New(*FList, "\"A\" 00000001 v.1.04  (isp.1, izm.2)", FIcon, kRowToUpdate, onChecked);
    a.MoveU();
    b.New(*FList, "\"B\" 00000002 v.1.05  (isp.1, izm.2)", FIcon, kRowNotRequired, onChecked);
    b.MoveU();
    c.New(*FList, "\"C\" 00000003 v.1.00  (isp.1, izm.2)", FIcon, kRowNotSupported, onChecked);
    c.MoveU();

    // C, B, A from the top, one row height apart, the list's width less its padding.
    ASSERT_EQ(FList->Rows().size(), 3u);
    EXPECT_EQ(FList->Rows()[0], &Row(c));
    EXPECT_EQ(FList->Rows()[1], &Row(b));
    EXPECT_EQ(FList->Rows()[2], &Row(a));
    EXPECT_EQ(Place(c).top, 0);
    EXPECT_EQ(Place(b).top, kRowHeight);
    EXPECT_EQ(Place(a).top, 2 * kRowHeight);
    EXPECT_EQ(Place(a).bottom - Place(a).top, kRowHeight);
    EXPECT_EQ(Place(a).right, 352 - kListRightPadding);

    EXPECT_TRUE(Row(a).Checked());
    EXPECT_TRUE(IsWindowEnabled(Row(a).Box()));
    EXPECT_EQ(Row(a).Caption(), "\"A\" 00000001 v.1.04  (isp.1, izm.2)");
    EXPECT_EQ(Row(a).Icon(), kPictureDevice);
    EXPECT_EQ(Row(a).CaptionColor(), GetSysColor(COLOR_WINDOWTEXT));

    EXPECT_FALSE(Row(b).Checked());
    EXPECT_TRUE(IsWindowEnabled(Row(b).Box()));
    EXPECT_EQ(Row(b).Caption(),
              "\"B\" 00000002 v.1.05  (isp.1, izm.2)\r\n   update is not required");

    EXPECT_FALSE(Row(c).Checked());
    EXPECT_FALSE(IsWindowEnabled(Row(c).Box()));
    EXPECT_TRUE(IsWindowEnabled(Row(c).Handle()));
    EXPECT_EQ(Row(c).Caption(), "\"C\" 00000003 v.1.00  (isp.1, izm.2)\r\n   update not supported");
    EXPECT_EQ(Row(c).CaptionColor(), GetSysColor(COLOR_GRAYTEXT))
        << "a disabled box greys its text";

    EXPECT_EQ(ticks, 0) << "ticks set by the program run no handler";
}

TEST_F(Win32RowsTest, TheUsersTickRunsTheHandlerFromTheBoxAndFromTheCaption) {
    int ticks = 0;
    TInfoPanel row, unsupported;
    row.New(*FList, "row", FIcon, kRowToUpdate, [&] { ++ticks; });
    unsupported.New(*FList, "unsupported", FIcon, kRowNotSupported, [&] { ++ticks; });

    SendMessageW(Row(row).Box(), BM_CLICK, 0, 0);
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(row.Checked());
    ClickCaption(row);
    EXPECT_EQ(ticks, 2);
    EXPECT_TRUE(row.Checked());

    // Neither the caption of a row that cannot be ticked nor SetC's ticks reach the handler.
    ClickCaption(unsupported);
    EXPECT_FALSE(unsupported.Checked());
    row.SetC(kRowNotRequired);
    row.SetC(kRowToUpdate);
    EXPECT_EQ(ticks, 2);
    EXPECT_TRUE(row.Checked());

    // A disabled row takes no tick from its caption.
    Row(row).SetRowEnabled(false);
    ClickCaption(row);
    EXPECT_TRUE(row.Checked());
    EXPECT_EQ(ticks, 2);
}

TEST_F(Win32RowsTest, ResultsShowInGreenAndRedOnDisabledRows) {
    struct TCase {
        std::int32_t state;
        COLORREF color;
        bool rowEnabled;
        const char* status;
    };
    const TCase cases[] = {
        {kRowDone, RGB(0, 128, 0), false, "update successful"},
        {kRowFailed, RGB(255, 0, 0), false, "update error"},
        {5, GetSysColor(COLOR_GRAYTEXT), true, "update not supported"},
        {kRowNotRequired, GetSysColor(COLOR_WINDOWTEXT), true, "update is not required"},
    };
    for (const TCase& c : cases) {
        TInfoPanel row;
        int ticks = 0;
        row.New(*FList, "DEV", FIcon, kRowToUpdate, [&] { ++ticks; });
        row.MoveU();
        row.SetC(c.state);
        EXPECT_FALSE(row.Checked()) << c.state;
        EXPECT_EQ(IsWindowEnabled(Row(row).Handle()) != FALSE, c.rowEnabled) << c.state;
        EXPECT_EQ(IsWindowEnabled(Row(row).Box()) != FALSE, c.state == kRowNotRequired) << c.state;
        EXPECT_EQ(Row(row).Caption(), std::string("DEV\r\n   ") + c.status) << c.state;
        EXPECT_EQ(Row(row).CaptionColor(), c.color) << c.state;
        EXPECT_EQ(ticks, 0) << c.state;

        // The status line is drawn in that colour, whatever the row's state.
        const RECT place = Place(row);
        EXPECT_GT(
            CountPixels(Row(row).Handle(), RECT{0, 0, place.right - place.left - 30, 41}, c.color),
            20)
            << c.state;
    }
}

TEST_F(Win32RowsTest, TheListScrollsWhenItsRowsDoNotFit) {
    TInfoPanel rows[6];
    for (TInfoPanel& row : rows) row.New(*FList, "row", FIcon, kRowToUpdate, [] {});
    EXPECT_TRUE(GetWindowLongPtrW(FList->Handle(), GWL_STYLE) & WS_VSCROLL);
    RECT client{};
    GetClientRect(FList->Handle(), &client);
    EXPECT_EQ(Place(rows[0]).right, client.right - kListRightPadding)
        << "rows leave room for the scroll bar";

    FList->ScrollTo(1 << 20);
    EXPECT_EQ(FList->ScrollPosition(), 6 * kRowHeight - 158);
    EXPECT_EQ(Place(rows[5]).bottom, client.bottom);
    SendMessageW(FList->Handle(), WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(FList->ScrollPosition(), 0);
    EXPECT_EQ(Place(rows[0]).top, 0);
    SendMessageW(FList->Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(Place(rows[1]).top, 0);

    // Three rows fit: no scroll bar.
    TTestWindow other(400, 200);
    TWinDeviceList few(other.Handle(), FDpi, FFont.Handle());
    few.SetBounds(0, 0, 352, 158);
    TInfoPanel three[3];
    for (TInfoPanel& row : three) row.New(few, "row", FIcon, kRowToUpdate, [] {});
    EXPECT_FALSE(GetWindowLongPtrW(few.Handle(), GWL_STYLE) & WS_VSCROLL);
}

// A failed row out of sight is brought into view, and its hint is a tool tip that the list holds
// over the row's place (the disabled row gets no mouse input of its own); the caption and colour
// stay those of any failed row.
TEST_F(Win32RowsTest, AFailedRowComesIntoViewAndCarriesItsHint) {
    TInfoPanel rows[8];
    for (TInfoPanel& row : rows) row.New(*FList, "row", FIcon, kRowToUpdate, [] {});
    TInfoPanel& last = rows[7];
    RECT client{};
    GetClientRect(FList->Handle(), &client);
    ASSERT_GT(Place(last).bottom, client.bottom) << "out of sight at first";
    last.SetC(kRowFailed);
    last.SetHint("update error 0xF01A");
    last.ScrollIntoView();
    EXPECT_EQ(Place(last).bottom, client.bottom) << "scrolled just far enough";
    last.ScrollIntoView();
    EXPECT_EQ(Place(last).bottom, client.bottom) << "a row in view stays where it is";
    EXPECT_EQ(Row(last).Caption(), "row\r\n   update error");
    EXPECT_EQ(Row(last).CaptionColor(), RGB(255, 0, 0));

    // The list's tip: hit-tested at the middle of the row's place, it is the row's, with the text.
    HWND tip = FList->ToolTip();
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    const RECT place = Place(last);
    wchar_t text[80] = {};
    TTHITTESTINFOW hit{};
    hit.hwnd = FList->Handle();
    hit.pt = POINT{(place.left + place.right) / 2, (place.top + place.bottom) / 2};
    hit.ti.cbSize = sizeof hit.ti;
    hit.ti.lpszText = text;
    ASSERT_TRUE(SendMessageW(tip, TTM_HITTESTW, 0, reinterpret_cast<LPARAM>(&hit)));
    EXPECT_EQ(hit.ti.uId, reinterpret_cast<UINT_PTR>(&Row(last)));
    EXPECT_EQ(std::wstring(text), L"update error 0xF01A");
    // Above the row, no tip.
    hit.pt.y = place.top - 5;
    EXPECT_FALSE(SendMessageW(tip, TTM_HITTESTW, 0, reinterpret_cast<LPARAM>(&hit)));

    // Scrolled back to the top, the tip moved with its row: out of the list's client area.
    FList->ScrollTo(0);
    hit.pt = POINT{(place.left + place.right) / 2, (place.top + place.bottom) / 2};
    EXPECT_FALSE(SendMessageW(tip, TTM_HITTESTW, 0, reinterpret_cast<LPARAM>(&hit)));
    // A row above the view comes into view at the top.
    FList->ScrollTo(1 << 20);
    rows[1].ScrollIntoView();
    EXPECT_EQ(Place(rows[1]).top, 0);
}

} // namespace
} // namespace zev
