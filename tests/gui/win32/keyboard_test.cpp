// The keyboard on the Win32 window, through the dialog manager as in the program: Space on the
// focused "Next" starts the run and the focus goes to the progress bar, so a second Space, or
// Enter, reaches neither "Next" nor "Close"; and the list's notice, drawn where the rows would
// be while a search finds nothing.

#include "core/lang.h"
#include "win32_fixture.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace zev {
namespace {

using namespace zev::test;
using win32::TWin32MainForm;

// The form with the demo package; its searches start no worker, so they find nothing.
struct TKeyForm {
    TKeyForm() : Form([](ABytes& bytes) { bytes = DemoPackage(); }, [] { return kLangEnglish; }) {
        Form.SetQuitOnDestroy(false);
        TWorkerFactory none;
        none.NewSearchWorker = []() -> TLormanSearchBootLoaderThreadCtrl* {
            throw std::runtime_error("no workers in this test");
        };
        Form.Logic().SetWorkerFactory(none);
    }
    ~TKeyForm() { CurrentLanguage = kLangRussian; }
    TWin32MainForm Form;
};

// A key pressed and released where the focus is, through the program's message loop.
void PressKey(HWND pWindow, WPARAM pKey) {
    HWND focus = GetFocus();
    PostMessageW(focus, WM_KEYDOWN, pKey, 0);
    PostMessageW(focus, WM_KEYUP, pKey, 0xC0000001);
    Pump(200, pWindow);
}

TEST(Win32KeyboardTest, SecondSpaceAfterNextReachesNeitherNextNorClose) {
    TTerminatingReset reset;
    TKeyForm w;
    TWin32MainForm& form = w.Form;
    form.Start();
    SetForegroundWindow(form.Handle());
    SetActiveWindow(form.Handle());
    Pump(200, form.Handle());
    EXPECT_EQ(GetFocus(), form.Control("pgbMain")) << "searching: the focus is parked";

    // "Next" as the list leaves it when a device is ticked.
    EnableWindow(form.Control("btnProg"), TRUE);
    SetFocus(form.Control("btnProg"));
    PressKey(form.Handle(), VK_SPACE);
    ASSERT_TRUE(PumpUntil([&] { return form.Logic().RunFinished(); }, 3000, form.Handle()))
        << "Space pressed \"Next\"";
    EXPECT_EQ(GetFocus(), form.Control("pgbMain"));
    PressKey(form.Handle(), VK_SPACE);
    PressKey(form.Handle(), VK_RETURN);
    EXPECT_TRUE(IsWindow(form.Handle())) << "the window is still open";
    EXPECT_FALSE(form.Logic().Closed());

    // The focus comes back to the bar when the window is activated again.
    SendMessageW(form.Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
    SetFocus(nullptr);
    SendMessageW(form.Handle(), WM_SETFOCUS, 0, 0);
    EXPECT_EQ(GetFocus(), form.Control("pgbMain"));
}

TEST(Win32KeyboardTest, TheListShowsWhyNothingIsFound) {
    TTerminatingReset reset;
    TKeyForm w;
    TWin32MainForm& form = w.Form;
    form.Start();
    ASSERT_TRUE(
        PumpUntil([&] { return !form.DeviceList().Notice().empty(); }, 5000, form.Handle()));
    const std::string notice = form.DeviceList().Notice();
    EXPECT_TRUE(notice == "No serial port found. Connect the device and its adapter." ||
                notice.rfind("Ports searched: ", 0) == 0)
        << notice;
    Pump(200, form.Handle());
    RECT list{};
    GetClientRect(form.Control("pnlData"), &list);
    EXPECT_GT(CountPixels(form.Control("pnlData"), list, GetSysColor(COLOR_WINDOWTEXT)), 50)
        << "the notice is drawn";
}

} // namespace
} // namespace zev
