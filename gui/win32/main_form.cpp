#include "gui/win32/main_form.h"

#include "gui/win32/dpi.h"
#include "gui/win32/lang_select.h"
#include "gui/win32/main_thread_win32.h"
#include "gui/win32/pictures.h"
#include "gui/win32/resource_ids.h"

#include <commctrl.h>

#include <stdexcept>

namespace zev::win32 {

namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOPMOST | WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;

enum : UINT_PTR { kTimerStartSearch = 1, kTimerStopSearch, kTimerStartProg, kTimerStopProg };

HWND Child(HWND pParent, const wchar_t* pClass, DWORD pStyle, int pId = 0) {
    return CreateWindowExW(0, pClass, L"", WS_CHILD | WS_VISIBLE | pStyle, 0, 0, 0, 0, pParent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(pId)),
                           GetModuleHandleW(nullptr), nullptr);
}

void Move(HWND pControl, const TRect& r) {
    SetWindowPos(pControl, nullptr, r.left, r.top, r.Width(), r.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void FillSolid(HDC pDC, const TRect& r, COLORREF pColor) {
    const RECT rect{r.left, r.top, r.right, r.bottom};
    SetBkColor(pDC, pColor);
    ExtTextOutW(pDC, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

} // namespace

TWin32MainForm::TWin32MainForm(TfrmZEVProgrammer::TPackageSource pReadPackage,
                               TSelectLanguage pSelectLanguage) {
    FDpi = PrimaryMonitorDpi();
    const TMainLayout base = Scale(MainLayout(), FDpi);
    const SIZE size =
        WindowSizeForClient(base.client.Width(), base.client.Height(), kStyle, kExStyle, FDpi);
    // No title until the start-up sequence sets it.
    FWindow = CreateWindowExW(kExStyle, kClassName, L"", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                              size.cx, size.cy, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (FWindow == nullptr) throw std::runtime_error("the main window cannot be created");
    FDpi = WindowDpi(FWindow);
    CreateControls();
    Place(FDpi);

    const TMainWindowControls controls = FParts.Controls(
        FList.get(), pSelectLanguage ? std::move(pSelectLanguage)
                                     : [] { return TfrmLangSelect::SelectLanguage(); });
    FLogic = std::make_unique<TfrmZEVProgrammer>(controls, std::move(pReadPackage));
}

TWin32MainForm::~TWin32MainForm() {
    // The logic goes first: its rows and handlers refer to the controls.
    FLogic.reset();
    FList.reset();
    if (IsWindow(FWindow)) {
        FQuitOnDestroy = false;
        SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
        DestroyWindow(FWindow);
    }
}

void TWin32MainForm::RegisterClasses(HINSTANCE pInstance) {
    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = &TWin32MainForm::WndProc;
    form.hInstance = pInstance;
    form.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    form.hbrBackground = nullptr; // painted whole in WM_PAINT
    form.lpszClassName = kClassName;
    form.hIcon = LoadIconW(pInstance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
    form.hIconSm = reinterpret_cast<HICON>(
        LoadImageW(pInstance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    RegisterClassExW(&form);
    TWinDeviceList::RegisterClasses(pInstance);
}

void TWin32MainForm::CreateControls() {
    // Created in tab order: the device list, "Next", "Close".
    FStateC = Child(FWindow, L"STATIC", SS_LEFT | SS_NOPREFIX);
    FState = Child(FWindow, L"STATIC", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS);
    FCDevices = Child(FWindow, L"STATIC", SS_RIGHT | SS_NOPREFIX);
    FList = std::make_unique<TWinDeviceList>(FWindow, FDpi, nullptr);
    FProg = Child(FWindow, L"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, kIdProg);
    FCancel = Child(FWindow, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, kIdCancel);
    FBar = Child(FWindow, PROGRESS_CLASSW, 0);

    const auto repaint = [this] { InvalidateRect(FWindow, nullptr, FALSE); };
    FParts.Window = std::make_unique<TWinWindow>(FWindow, repaint);
    FParts.lblState = std::make_unique<TWinLabel>(FState);
    FParts.lblStateC = std::make_unique<TWinLabel>(FStateC);
    FParts.lblCDevices = std::make_unique<TWinLabel>(FCDevices);
    FParts.btnProg = std::make_unique<TWinButton>(FProg);
    FParts.btnCancel = std::make_unique<TWinButton>(FCancel);
    FParts.pgbMain = std::make_unique<TWinProgressBar>(FBar);
    FParts.imgDev = std::make_unique<TWinImage>(kPictureDevice, nullptr);
    FParts.imgLogoRU = std::make_unique<TWinImage>(kPictureLogoRU, repaint);
    FParts.imgLogoEN = std::make_unique<TWinImage>(kPictureLogoEN, repaint);
    FParts.tmrStartSearch = std::make_unique<TWinTimer>(FWindow, kTimerStartSearch);
    FParts.tmrStopSearch = std::make_unique<TWinTimer>(FWindow, kTimerStopSearch);
    FParts.tmrStartProg = std::make_unique<TWinTimer>(FWindow, kTimerStartProg);
    FParts.tmrStopProg = std::make_unique<TWinTimer>(FWindow, kTimerStopProg);
}

void TWin32MainForm::Place(int pDpi) {
    FDpi = pDpi;
    FLayout = Scale(MainLayout(), pDpi);
    FFont = TFont(kFontFace, 8, false, pDpi);
    FBold = TFont(kFontFace, 8, true, pDpi);
    const auto font = [](HWND control, const TFont& f) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(f.Handle()), TRUE);
    };
    font(FStateC, FBold);
    font(FCDevices, FBold);
    font(FState, FFont);
    font(FProg, FFont);
    font(FCancel, FFont);

    Move(FStateC, FLayout.lblStateC);
    Move(FState, FLayout.lblState);
    Move(FCDevices, FLayout.lblCDevices);
    Move(FProg, FLayout.btnProg);
    Move(FCancel, FLayout.btnCancel);
    Move(FBar, FLayout.pgbMain);
    FList->SetDpi(pDpi, FFont.Handle());
    FList->SetBounds(FLayout.pnlData.left, FLayout.pnlData.top, FLayout.pnlData.Width(),
                     FLayout.pnlData.Height());
    InvalidateRect(FWindow, nullptr, TRUE);
}

void TWin32MainForm::Start() {
    FLogic->FormCreate();
    CentreOnDesktop(FWindow);
    ShowWindow(FWindow, SW_SHOW);
    UpdateWindow(FWindow);
}

HWND TWin32MainForm::Control(const std::string& pName) const {
    if (pName == "lblState") return FState;
    if (pName == "lblStateC") return FStateC;
    if (pName == "lblCDevices") return FCDevices;
    if (pName == "btnProg") return FProg;
    if (pName == "btnCancel") return FCancel;
    if (pName == "pgbMain") return FBar;
    if (pName == "pnlData") return FList->Handle();
    return nullptr;
}

bool TWin32MainForm::LogoShown(const std::string& pPicture) const {
    if (pPicture == kPictureLogoRU) return FParts.imgLogoRU->Visible();
    if (pPicture == kPictureLogoEN) return FParts.imgLogoEN->Visible();
    return false;
}

void TWin32MainForm::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(FWindow, &ps);
    const TMainLayout& l = FLayout;
    // The window's own colour shows only as the thin frame around the content.
    FillSolid(dc, l.client, ToColorRef(FParts.Window->FrameColor()));
    FillSolid(dc, l.pnlMain, GetSysColor(COLOR_BTNFACE));

    // The group's etched frame runs through the middle of its (empty) caption line.
    RECT group{l.GroupBox1.left, l.GroupBox1.top + Scale(kGroupBoxInset.top, FDpi) / 2,
               l.GroupBox1.right, l.GroupBox1.bottom};
    DrawEdge(dc, &group, EDGE_ETCHED, BF_RECT);

    FillSolid(dc, l.Shape1, GetSysColor(COLOR_GRADIENTINACTIVECAPTION));
    FillSolid(dc, l.Shape2, GetSysColor(COLOR_BTNHIGHLIGHT));

    for (const TWinImage* logo : {FParts.imgLogoRU.get(), FParts.imgLogoEN.get()}) {
        if (!logo->Visible()) continue;
        const TPicture& picture = PictureByName(logo->Picture());
        picture.Draw(dc, l.imgLogo.left, l.imgLogo.top, l.imgLogo.Width(), l.imgLogo.Height());
    }
    EndPaint(FWindow, &ps);
}

LRESULT TWin32MainForm::LabelColors(HDC pDC, HWND pControl) {
    const TWinLabel* label = pControl == FState      ? FParts.lblState.get()
                             : pControl == FStateC   ? FParts.lblStateC.get()
                             : pControl == FCDevices ? FParts.lblCDevices.get()
                                                     : nullptr;
    SetTextColor(pDC,
                 label != nullptr ? ToColorRef(label->Color()) : GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(pDC, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void TWin32MainForm::Closing() {
    // From here on workers no longer wait for the main thread.
    FLogic->FormClose();
}

LRESULT CALLBACK TWin32MainForm::WndProc(HWND pWindow, UINT pMessage, WPARAM wParam,
                                         LPARAM lParam) {
    if (pMessage == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(pWindow, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<TWin32MainForm*>(create->lpCreateParams)->FWindow = pWindow;
    }
    auto* form = reinterpret_cast<TWin32MainForm*>(GetWindowLongPtrW(pWindow, GWLP_USERDATA));
    if (form != nullptr) return form->OnMessage(pMessage, wParam, lParam);
    if (pMessage == TWin32MainThread::kCallMessage) return 0;
    return DefWindowProcW(pWindow, pMessage, wParam, lParam);
}

LRESULT TWin32MainForm::OnMessage(UINT pMessage, WPARAM wParam, LPARAM lParam) {
    switch (pMessage) {
    case TWin32MainThread::kCallMessage:
        if (auto* main = dynamic_cast<TWin32MainThread*>(MainThread())) main->ServiceCalls();
        return 0;
    case WM_TIMER: {
        for (TWinTimer* timer : {FParts.tmrStartSearch.get(), FParts.tmrStopSearch.get(),
                                 FParts.tmrStartProg.get(), FParts.tmrStopProg.get()}) {
            if (timer != nullptr && timer->Id() == wParam) {
                timer->Fire();
                return 0;
            }
        }
        break;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            if (LOWORD(wParam) == kIdProg && FParts.btnProg) FParts.btnProg->Click();
            if (LOWORD(wParam) == kIdCancel && FParts.btnCancel) FParts.btnCancel->Click();
        }
        // Enter and Escape of the dialog keys (IDOK, IDCANCEL) do nothing else.
        return 0;
    case DM_GETDEFID:
        // Enter presses "Next" while it is enabled.
        return MAKELRESULT(kIdProg, DC_HASDEFID);
    case WM_CTLCOLORSTATIC:
        return LabelColors(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ACTIVATE:
        if (FLogic) {
            if (LOWORD(wParam) != WA_INACTIVE)
                FLogic->FormActivate();
            else
                FLogic->FormDeactivate();
        }
        // As a dialog does: the control that had the focus gets it back.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus != nullptr && IsChild(FWindow, focus)) RememberFocus(FWindow, focus);
        }
        break;
    case WM_SETFOCUS:
        // The window itself takes the focus when it is activated; it hands it to its control.
        if (HWND control = RememberedFocus(FWindow)) {
            SetFocus(control);
            return 0;
        }
        break;
    case WM_ACTIVATEAPP:
        if (FLogic) FLogic->ApplicationActivate(wParam != FALSE);
        break;
    case WM_DPICHANGED: {
        Place(HIWORD(wParam));
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(FWindow, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_CLOSE:
        Closing();
        DestroyWindow(FWindow);
        return 0;
    case WM_DESTROY:
        if (FLogic) Closing();
        if (FQuitOnDestroy) PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(FWindow, pMessage, wParam, lParam);
}

} // namespace zev::win32
