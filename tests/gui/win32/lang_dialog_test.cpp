// The language dialog on Win32: English is the default and focused button, Russian is chosen
// only by its button, and a dialog closed without a button gives English.

#include "app/window_layout.h"
#include "core/lang.h"
#include "gui/win32/dpi.h"
#include "gui/win32/lang_select.h"
#include "win32_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace zev {
namespace {

using namespace zev::test;
using win32::TfrmLangSelect;

struct TSeen {
    std::atomic<bool> found{false};
    std::atomic<bool> topmost{false};
    std::atomic<bool> closeBox{true};
    std::atomic<HWND> focus{nullptr};
    std::atomic<HWND> english{nullptr};
    std::atomic<LRESULT> defId{0};
    std::atomic<int> clientWidth{0}, clientHeight{0}, dpi{0};
};

// Shows the dialog; another thread looks at it and then does pAct to it.
std::uint32_t RunDialog(TSeen& pSeen, const std::function<void(HWND)>& pAct) {
    std::thread helper([&] {
        HWND dialog = WaitForWindow(TfrmLangSelect::kCaption, 20000);
        if (dialog == nullptr) return;
        pSeen.found = true;
        Sleep(100); // the dialog has set its focus
        pSeen.topmost = (GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        pSeen.closeBox = (GetWindowLongPtrW(dialog, GWL_STYLE) & WS_SYSMENU) != 0;
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info))
            pSeen.focus = info.hwndFocus;
        pSeen.english = GetDlgItem(dialog, TfrmLangSelect::kIdEN);
        pSeen.defId = SendMessageW(dialog, DM_GETDEFID, 0, 0);
        RECT client{};
        GetClientRect(dialog, &client);
        pSeen.clientWidth = client.right;
        pSeen.clientHeight = client.bottom;
        pSeen.dpi = win32::WindowDpi(dialog);
        pAct(dialog);
    });
    const std::uint32_t language = TfrmLangSelect::SelectLanguage();
    helper.join();
    return language;
}

TEST(Win32LangDialogTest, EnterChoosesTheFocusedDefaultEnglish) {
    TSeen seen;
    const std::uint32_t language =
        RunDialog(seen, [](HWND dialog) { PostMessageW(dialog, WM_KEYDOWN, VK_RETURN, 0); });
    ASSERT_TRUE(seen.found.load());
    EXPECT_EQ(language, kLangEnglish);
    EXPECT_TRUE(seen.topmost.load());
    EXPECT_FALSE(seen.closeBox.load()) << "no system menu, no close box";
    EXPECT_EQ(seen.focus.load(), seen.english.load());
    EXPECT_EQ(LOWORD(seen.defId.load()), TfrmLangSelect::kIdEN);
    EXPECT_EQ(HIWORD(seen.defId.load()), DC_HASDEFID);
    EXPECT_EQ(seen.clientWidth.load(), Scale(200, seen.dpi.load()));
    EXPECT_EQ(seen.clientHeight.load(), Scale(135, seen.dpi.load()));
}

TEST(Win32LangDialogTest, EachWayOfClosingGivesItsLanguage) {
    struct TCase {
        const char* how;
        std::function<void(HWND)> act;
        std::uint32_t expected;
    };
    const TCase cases[] = {
        {"Русский",
         [](HWND d) { PostMessageW(GetDlgItem(d, TfrmLangSelect::kIdRU), BM_CLICK, 0, 0); },
         kLangRussian},
        {"English",
         [](HWND d) { PostMessageW(GetDlgItem(d, TfrmLangSelect::kIdEN), BM_CLICK, 0, 0); },
         kLangEnglish},
        {"Escape", [](HWND d) { PostMessageW(d, WM_KEYDOWN, VK_ESCAPE, 0); }, kLangEnglish},
        {"Alt+F4", [](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); }, kLangEnglish},
    };
    for (const TCase& c : cases) {
        TSeen seen;
        const std::uint32_t language = RunDialog(seen, c.act);
        ASSERT_TRUE(seen.found.load()) << c.how;
        EXPECT_EQ(language, c.expected) << c.how;
        EXPECT_EQ(FindWindowW(nullptr, TfrmLangSelect::kCaption), nullptr) << c.how << ": closed";
    }
}

} // namespace
} // namespace zev
