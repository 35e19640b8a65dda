// The main window on Win32 controls: as laid out, after a failed and after a sound start-up,
// its frame colour, its timers and keys, and closing it.

#include "core/lang.h"
#include "gui/win32/dpi.h"
#include "gui/win32/pictures.h"
#include "win32_fixture.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <stdexcept>

namespace zev {
namespace {

using namespace zev::test;
using win32::TWin32MainForm;

// The form with a package from memory and a language dialog that answers at once.
struct TForm {
    explicit TForm(ABytes pPackage, std::uint32_t pLanguage = kLangEnglish)
        : Form([package = std::move(pPackage)](ABytes& bytes) { bytes = package; },
               [this, pLanguage] {
                   ++DialogShown;
                   return pLanguage;
               }) {
        Form.SetQuitOnDestroy(false);
        // Searches start no worker: the window stays searching.
        TWorkerFactory none;
        none.NewSearchWorker = []() -> TLormanSearchBootLoaderThreadCtrl* {
            throw std::runtime_error("no workers in this test");
        };
        Form.Logic().SetWorkerFactory(none);
    }
    ~TForm() { CurrentLanguage = kLangRussian; }

    std::string Text(const char* pControl) const {
        return win32::WindowText(Form.Control(pControl));
    }
    RECT ClientRectOf(const char* pControl) const {
        RECT r{};
        GetWindowRect(Form.Control(pControl), &r);
        MapWindowPoints(nullptr, Form.Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    int DialogShown = 0;
    TWin32MainForm Form;
};

bool Same(const RECT& r, const TRect& t) {
    return r.left == t.left && r.top == t.top && r.right == t.right && r.bottom == t.bottom;
}

TEST(Win32WindowTest, FailedStartShowsTheRedLineInRussianAndNoSearch) {
    TForm w(ABytes{}, kLangRussian);
    TWin32MainForm& form = w.Form;
    EXPECT_EQ(win32::WindowText(form.Handle()), "") << "no title before the start-up";
    form.Start();

    EXPECT_EQ(w.DialogShown, 1);
    EXPECT_EQ(win32::WindowText(form.Handle()), " v.0.00 (исп.0, изм.0)");
    EXPECT_EQ(w.Text("lblState"), "Ошибка [0x0301]: Данные повреждены.");
    EXPECT_EQ(StaticTextColor(form.Handle(), form.Control("lblState")), RGB(255, 0, 0));
    EXPECT_EQ(w.Text("lblStateC"), "Состояние обновления:");
    EXPECT_EQ(StaticTextColor(form.Handle(), form.Control("lblStateC")),
              GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(w.Text("lblCDevices"), "Найденые устройства:");
    EXPECT_EQ(w.Text("btnProg"), "Продолжить");
    EXPECT_EQ(w.Text("btnCancel"), "Закрыть");
    EXPECT_FALSE(IsWindowEnabled(form.Control("btnProg")));
    EXPECT_TRUE(form.LogoShown(kPictureLogoRU));
    EXPECT_FALSE(form.LogoShown(kPictureLogoEN));

    // The Russian logo is drawn: its blue badge shows in the logo's place.
    const TRect logo = form.Layout().imgLogo;
    EXPECT_GT(CountPixels(form.Handle(), RECT{logo.left, logo.top, logo.right, logo.bottom},
                          RGB(0x1F, 0x4E, 0x8C)),
              500);

    Pump(400, form.Handle());
    EXPECT_EQ(form.Logic().SearchCount(), 0u) << "a failed start searches nothing";
    EXPECT_FALSE(form.ProgressBar().Marquee());
}

TEST(Win32WindowTest, WindowAndControlsAsLaidOutForTheResolution) {
    TForm w(DemoPackage());
    TWin32MainForm& form = w.Form;
    form.Start();
    const int dpi = form.Dpi();
    EXPECT_EQ(dpi, win32::WindowDpi(form.Handle()));

    RECT client{};
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, Scale(576, dpi));
    EXPECT_EQ(client.bottom, Scale(370, dpi));

    // A fixed-size window with only a close box, on top of the others.
    const LONG_PTR style = GetWindowLongPtrW(form.Handle(), GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(form.Handle(), GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);

    // Centred on the desktop.
    RECT area{}, window{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(form.Handle(), &window);
    EXPECT_LE(std::abs((window.left + window.right) - (area.left + area.right)), 2);
    EXPECT_LE(std::abs((window.top + window.bottom) - (area.top + area.bottom)), 2);

    const TMainLayout& l = form.Layout();
    EXPECT_TRUE(Same(w.ClientRectOf("btnProg"), l.btnProg));
    EXPECT_TRUE(Same(w.ClientRectOf("btnCancel"), l.btnCancel));
    EXPECT_TRUE(Same(w.ClientRectOf("pgbMain"), l.pgbMain));
    EXPECT_TRUE(Same(w.ClientRectOf("pnlData"), l.pnlData));
    EXPECT_TRUE(Same(w.ClientRectOf("lblState"), l.lblState));
    EXPECT_EQ(l.btnProg.Width(), Scale(100, dpi));

    // The controls that show a caption in bold.
    for (const char* name : {"lblStateC", "lblCDevices"}) {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(form.Control(name), WM_GETFONT, 0, 0)),
                   sizeof font, &font);
        EXPECT_EQ(font.lfWeight, FW_BOLD) << name;
        EXPECT_EQ(std::wstring(font.lfFaceName), L"Tahoma") << name;
    }
    const LONG_PTR devices = GetWindowLongPtrW(form.Control("lblCDevices"), GWL_STYLE);
    EXPECT_EQ(devices & SS_TYPEMASK, SS_RIGHT);

    // The progress bar counts to 1000.
    PBRANGE range{};
    SendMessageW(form.Control("pgbMain"), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 1000);
}

TEST(Win32WindowTest, MovingToAMonitorOfAnotherResolutionLaysTheWindowOutAgain) {
    TForm w(ABytes{});
    TWin32MainForm& form = w.Form;
    form.Start();
    const int dpi = form.Dpi() * 5 / 4; // the window still fits the screen

    // What Windows sends when the window moves to a monitor of a higher resolution.
    const SIZE size = win32::WindowSizeForClient(
        Scale(576, dpi), Scale(370, dpi),
        static_cast<DWORD>(GetWindowLongPtrW(form.Handle(), GWL_STYLE)),
        static_cast<DWORD>(GetWindowLongPtrW(form.Handle(), GWL_EXSTYLE)), dpi);
    RECT suggested{0, 0, size.cx, size.cy};
    SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));

    EXPECT_EQ(form.Dpi(), dpi);
    // The window takes the place Windows suggests (its frame is the system's to size).
    RECT window{};
    GetWindowRect(form.Handle(), &window);
    EXPECT_EQ(window.right - window.left, suggested.right - suggested.left);
    EXPECT_EQ(window.bottom - window.top, suggested.bottom - suggested.top);
    const TMainLayout& l = form.Layout();
    EXPECT_EQ(l.btnProg, Scale(MainLayout().btnProg, dpi));
    EXPECT_TRUE(Same(w.ClientRectOf("btnProg"), l.btnProg));
    EXPECT_TRUE(Same(w.ClientRectOf("pnlData"), l.pnlData));
    EXPECT_EQ(form.DeviceList().Dpi(), dpi);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(form.Control("lblState"), WM_GETFONT, 0, 0)),
               sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -MulDiv(8, dpi, 72)) << "8 points at the new resolution";
}

TEST(Win32WindowTest, SoundStartInEnglishThenTheTimersSearchAgainAndAgain) {
    TForm w(DemoPackage());
    TWin32MainForm& form = w.Form;
    form.Start();

    EXPECT_EQ(w.DialogShown, 0);
    EXPECT_EQ(win32::WindowText(form.Handle()), "ZEV-DEMO v.1.05 (isp.1, izm.2)");
    EXPECT_EQ(w.Text("lblState"), "Search . . .");
    EXPECT_EQ(StaticTextColor(form.Handle(), form.Control("lblState")),
              GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(w.Text("lblStateC"), "Firmware update status:");
    EXPECT_EQ(w.Text("btnProg"), "Next");
    EXPECT_EQ(w.Text("btnCancel"), "Close");
    EXPECT_TRUE(form.LogoShown(kPictureLogoEN));
    EXPECT_FALSE(form.LogoShown(kPictureLogoRU));

    // The start timer fires from the message loop: a search, with the marquee. Nothing answers
    // (no worker starts here), so the two timers go on starting one search after another.
    EXPECT_EQ(form.Logic().SearchCount(), 0u);
    ASSERT_TRUE(PumpUntil([&] { return form.Logic().SearchCount() > 0; }, 3000, form.Handle()));
    EXPECT_TRUE(form.ProgressBar().Marquee());
    EXPECT_TRUE(GetWindowLongPtrW(form.Control("pgbMain"), GWL_STYLE) & PBS_MARQUEE);
    EXPECT_TRUE(PumpUntil([&] { return form.Logic().SearchCount() >= 3; }, 5000, form.Handle()));
    EXPECT_EQ(w.Text("lblState"), "Search . . .");
    EXPECT_TRUE(form.ProgressBar().Marquee());
}

TEST(Win32WindowTest, FrameColourFollowsActivation) {
    TForm w(ABytes{});
    TWin32MainForm& form = w.Form;
    form.Start();
    // The thin frame left of the content, one pixel wide, down the window's middle.
    const RECT frame{0, 50, 1, 300};
    const int height = frame.bottom - frame.top;

    SendMessageW(form.Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(form.FrameColor(), clGradientInactiveCaption);
    EXPECT_EQ(CountPixels(form.Handle(), frame, GetSysColor(COLOR_GRADIENTINACTIVECAPTION)),
              height);

    SendMessageW(form.Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(form.FrameColor(), clGradientActiveCaption);
    EXPECT_EQ(CountPixels(form.Handle(), frame, GetSysColor(COLOR_GRADIENTACTIVECAPTION)), height);

    // The content itself keeps the face colour.
    const TRect main = form.Layout().pnlMain;
    EXPECT_EQ(CountPixels(form.Handle(), RECT{main.left, 50, main.left + 1, 300},
                          GetSysColor(COLOR_BTNFACE)),
              height);
}

TEST(Win32WindowTest, EnterPressesNextOnlyWhileItIsEnabled) {
    TTerminatingReset reset;
    TForm w(ABytes{});
    TWin32MainForm& form = w.Form;
    form.Start();
    const std::string failed = w.Text("lblState");

    SetFocus(form.Handle());
    PostMessageW(form.Handle(), WM_KEYDOWN, VK_RETURN, 0);
    Pump(300, form.Handle());
    EXPECT_EQ(w.Text("lblState"), failed) << "Enter on a disabled \"Next\" does nothing";

    EnableWindow(form.Control("btnProg"), TRUE);
    PostMessageW(form.Handle(), WM_KEYDOWN, VK_RETURN, 0);
    // A run without rows ends at once.
    EXPECT_TRUE(PumpUntil([&] { return w.Text("lblState") == "Completed successfully"; }, 3000,
                          form.Handle()));
    EXPECT_FALSE(IsWindowEnabled(form.Control("btnProg"))) << "\"Next\" is pressed once";
}

TEST(Win32WindowTest, CloseButtonClosesTheWindowAndReleasesWaitingWorkers) {
    TTerminatingReset reset;
    TForm w(ABytes{});
    TWin32MainForm& form = w.Form;
    form.Start();
    ASSERT_FALSE(ApplicationTerminating());

    SendMessageW(form.Control("btnCancel"), BM_CLICK, 0, 0);
    EXPECT_TRUE(ApplicationTerminating()) << "closing sets the terminating flag first";
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(form.Handle()); }, 3000));
    EXPECT_TRUE(form.Logic().Closed());
}

TEST(Win32WindowTest, PicturesDecodeFromTheResources) {
    const win32::TPicture& en = win32::PictureByName(kPictureLogoEN);
    const win32::TPicture& ru = win32::PictureByName(kPictureLogoRU);
    const win32::TPicture& device = win32::PictureByName(kPictureDevice);
    ASSERT_FALSE(en.Empty());
    ASSERT_FALSE(ru.Empty());
    ASSERT_FALSE(device.Empty());
    EXPECT_EQ(en.Width(), 159);
    EXPECT_EQ(en.Height(), 57);
    EXPECT_EQ(device.Width(), 15);
    EXPECT_EQ(device.Height(), 15);
    // Opaque blue inside the badge, transparent in the corner.
    EXPECT_EQ(en.Pixel(30, 48), 0xFF1F4E8Cu);
    EXPECT_EQ(en.Pixel(0, 0) >> 24, 0u);
    EXPECT_TRUE(win32::PictureByName("no-such-picture").Empty());

    const char junk[] = "not a picture";
    EXPECT_TRUE(win32::TPicture::Decode(junk, sizeof junk).Empty());
    EXPECT_TRUE(win32::TPicture::Decode(nullptr, 0).Empty());
}

} // namespace
} // namespace zev
