#include "gui/win32/lang_select.h"

#include "app/window_layout.h"
#include "core/lang.h"
#include "gui/win32/dpi.h"
#include "gui/win32/fonts.h"

#include <cstring>
#include <vector>

namespace zev::win32 {

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;

// An in-memory dialog template without controls: the dialog makes its buttons itself, in
// pixels of the screen's resolution.
std::vector<WORD> DialogTemplate() {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    DLGTEMPLATE header{};
    header.style = kStyle;
    header.dwExtendedStyle = kExStyle;
    std::memcpy(words.data(), &header, sizeof header);
    words.push_back(0); // no menu
    words.push_back(0); // the standard dialog class
    for (const wchar_t* c = TfrmLangSelect::kCaption; *c != L'\0'; ++c)
        words.push_back(static_cast<WORD>(*c));
    words.push_back(0);
    return words;
}

} // namespace

std::uint32_t TfrmLangSelect::SelectLanguage() {
    try {
        TfrmLangSelect dialog;
        const std::vector<WORD> words = DialogTemplate();
        const INT_PTR result = DialogBoxIndirectParamW(
            GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(words.data()), nullptr,
            &TfrmLangSelect::DialogProc, reinterpret_cast<LPARAM>(&dialog));
        if (result == -1 || result == 0) return kLangRussian;
        return dialog.Language();
    } catch (...) {
        return kLangRussian;
    }
}

void TfrmLangSelect::FormCreate(HWND pDialog) {
    FDialog = pDialog;
    FLanguage = kLangEnglish;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    // English first: first in tab order, default button, focused.
    FEN = CreateWindowExW(
        0, L"BUTTON", L"English", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0, 0,
        pDialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdEN)), instance, nullptr);
    FRU = CreateWindowExW(0, L"BUTTON", L"Русский",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, pDialog,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdRU)), instance, nullptr);
    SendMessageW(pDialog, DM_SETDEFID, kIdEN, 0);
    Place(WindowDpi(pDialog));
    CentreOnDesktop(pDialog);
    SetFocus(FEN);
}

void TfrmLangSelect::Place(int pDpi) {
    const TLangLayout l = Scale(LangLayout(), pDpi);
    const SIZE size =
        WindowSizeForClient(l.client.Width(), l.client.Height(), kStyle, kExStyle, pDpi);
    SetWindowPos(FDialog, HWND_TOPMOST, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOACTIVATE);
    SetWindowPos(FRU, nullptr, l.btnRU.left, l.btnRU.top, l.btnRU.Width(), l.btnRU.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(FEN, nullptr, l.btnEN.left, l.btnEN.top, l.btnEN.Width(), l.btnEN.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    FFont = TFont(kFontFace, 12, false, pDpi);
    SendMessageW(FRU, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), TRUE);
    SendMessageW(FEN, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), TRUE);
}

void TfrmLangSelect::btnRUClick() {
    FLanguage = kLangRussian;
    EndDialog(FDialog, 1);
}

void TfrmLangSelect::btnENClick() {
    FLanguage = kLangEnglish;
    EndDialog(FDialog, 1);
}

INT_PTR CALLBACK TfrmLangSelect::DialogProc(HWND pDialog, UINT pMessage, WPARAM wParam,
                                            LPARAM lParam) {
    if (pMessage == WM_INITDIALOG) {
        SetWindowLongPtrW(pDialog, DWLP_USER, lParam);
        reinterpret_cast<TfrmLangSelect*>(lParam)->FormCreate(pDialog);
        return FALSE; // the focus is set
    }
    auto* self = reinterpret_cast<TfrmLangSelect*>(GetWindowLongPtrW(pDialog, DWLP_USER));
    if (self == nullptr) return FALSE;
    switch (pMessage) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kIdRU:
            self->btnRUClick();
            return TRUE;
        case kIdEN:
            self->btnENClick();
            return TRUE;
        case IDCANCEL: // Escape, Alt+F4: no button was pressed
            EndDialog(pDialog, 1);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        self->Place(HIWORD(wParam));
        SetWindowPos(pDialog, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

} // namespace zev::win32
