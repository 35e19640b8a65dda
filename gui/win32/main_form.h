#pragma once
// TWin32MainForm: the program's window on Win32. It creates the native controls, lays them out
// for the monitor's resolution, gives them to the window logic (TfrmZEVProgrammer) and passes
// the window's events on: clicks, timers, activation, closing, the workers' calls. It paints
// what has no control of its own: the thin frame in the activation colour, the frame of the
// group, the two-line separator and the logo.

#include "app/main_window.h"
#include "app/window_layout.h"
#include "gui/win32/controls_win32.h"
#include "gui/win32/device_list.h"
#include "gui/win32/fonts.h"

#include <windows.h>

#include <memory>
#include <string>

namespace zev::win32 {

class TWin32MainForm {
public:
    static constexpr int kIdProg = 2001;
    static constexpr int kIdCancel = 2002;
    static constexpr const wchar_t* kClassName = L"TfrmZEVProgrammer";

    // pReadPackage: where the package comes from (the program's own file when empty);
    // pSelectLanguage: the language dialog (TfrmLangSelect when empty). Creates the window
    // hidden; Start() runs the start-up sequence and shows it.
    explicit TWin32MainForm(TfrmZEVProgrammer::TPackageSource pReadPackage = {},
                            TSelectLanguage pSelectLanguage = {});
    ~TWin32MainForm();
    TWin32MainForm(const TWin32MainForm&) = delete;
    TWin32MainForm& operator=(const TWin32MainForm&) = delete;

    // Registers the window classes of the form and its device list; once per program.
    static void RegisterClasses(HINSTANCE pInstance);

    // The start-up sequence, before the window is first shown; then centres and shows it.
    void Start();
    // When the window is destroyed, end the message loop (PostQuitMessage); on by default.
    void SetQuitOnDestroy(bool pQuit) { FQuitOnDestroy = pQuit; }

    HWND Handle() const { return FWindow; }
    TfrmZEVProgrammer& Logic() { return *FLogic; }
    TWinDeviceList& DeviceList() { return *FList; }
    // A control by the name the window logic gives it (lblState, btnProg, pgbMain, pnlData ...);
    // nullptr for another name.
    HWND Control(const std::string& pName) const;
    const TWinProgressBar& ProgressBar() const { return *FParts.pgbMain; }
    bool LogoShown(const std::string& pPicture) const;
    TColor FrameColor() const { return FParts.Window->FrameColor(); }
    int Dpi() const { return FDpi; }
    // Where everything lies now, in client pixels.
    const TMainLayout& Layout() const { return FLayout; }

private:
    static LRESULT CALLBACK WndProc(HWND pWindow, UINT pMessage, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT pMessage, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void Place(int pDpi);
    void Paint();
    LRESULT LabelColors(HDC pDC, HWND pControl);
    void Closing();

    HWND FWindow = nullptr;
    HWND FState = nullptr, FStateC = nullptr, FCDevices = nullptr;
    HWND FProg = nullptr, FCancel = nullptr, FBar = nullptr;
    int FDpi = kBaseDpi;
    TMainLayout FLayout;
    TFont FFont, FBold;
    bool FQuitOnDestroy = true;

    std::unique_ptr<TWinDeviceList> FList;
    TWinMainWindowParts FParts;
    std::unique_ptr<TfrmZEVProgrammer> FLogic;
};

} // namespace zev::win32
