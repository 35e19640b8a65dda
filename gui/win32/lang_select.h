#pragma once
// TfrmLangSelect: the language dialog on Win32, a modal dialog with two buttons, "Русский" and
// "English". English is the default button (Enter) and has the focus; the dialog has no close
// box, and whatever closes it without a button (Escape, Alt+F4) leaves English.

#include "gui/win32/fonts.h"

#include <windows.h>

#include <cstdint>

namespace zev::win32 {

class TfrmLangSelect {
public:
    static constexpr int kIdRU = 1001;
    static constexpr int kIdEN = 1002;
    static constexpr const wchar_t* kCaption = L" ORVEL  update";

    // Shows the dialog modally and returns the choice: 0 Russian, 1 English; 0 when the dialog
    // cannot be shown.
    static std::uint32_t SelectLanguage();

    std::uint32_t Language() const { return FLanguage; }
    void SetLanguage(std::uint32_t pLanguage) { FLanguage = pLanguage; }

private:
    TfrmLangSelect() = default;
    static INT_PTR CALLBACK DialogProc(HWND pDialog, UINT pMessage, WPARAM wParam, LPARAM lParam);
    void FormCreate(HWND pDialog);
    void Place(int pDpi);
    void btnRUClick();
    void btnENClick();

    HWND FDialog = nullptr;
    HWND FRU = nullptr;
    HWND FEN = nullptr;
    TFont FFont; // the buttons' font
    std::uint32_t FLanguage = 1;
};

} // namespace zev::win32
