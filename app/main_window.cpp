#include "app/main_window.h"

#include "app/detail/device_judging.h"
#include "app/detail/package_reader.h"
#include "core/format.h"
#include "core/lang.h"
#include "datafiles/package_check.h"
#include "threads/main_thread.h"

#include <exception>
#include <utility>

namespace zev {

namespace {
constexpr int kTimerMs = 100;
// The status line as laid out, before the start-up sequence sets any text.
constexpr const char* kDesignStatus = "Поиск . . .";

std::string LangText(std::uint32_t pNumber) {
    std::string text;
    GetLangText(pNumber, text);
    return text;
}

std::uint32_t AskLanguage(const TSelectLanguage& pSelect) {
    if (!pSelect) return kLangRussian;
    try {
        return pSelect();
    } catch (...) {
        return kLangRussian;
    }
}
} // namespace

TfrmZEVProgrammer::TfrmZEVProgrammer(const TMainWindowControls& pControls,
                                     TPackageSource pReadPackage)
    : C(pControls), FReadPackage(std::move(pReadPackage)) {
    if (!FReadPackage) FReadPackage = [](ABytes& bytes) { ReadAttachedPackage(bytes); };
    FFactory.NewSearchWorker = [] { return new TLormanSearchBootLoaderThreadCtrl; };
    FFactory.NewProgWorker = [] { return new TLormanProgBootLoaderThreadCtrl; };

    const std::pair<ITimer*, void (TfrmZEVProgrammer::*)()> timers[] = {
        {C.tmrStartSearch, &TfrmZEVProgrammer::tmrStartSearchTimer},
        {C.tmrStopSearch, &TfrmZEVProgrammer::tmrStopSearchTimer},
        {C.tmrStartProg, &TfrmZEVProgrammer::tmrStartProgTimer},
        {C.tmrStopProg, &TfrmZEVProgrammer::tmrStopProgTimer},
    };
    for (const auto& [timer, handler] : timers) {
        timer->SetEnabled(false);
        timer->SetInterval(kTimerMs);
        timer->SetOnTimer([this, handler = handler] { (this->*handler)(); });
    }
    C.btnProg->SetEnabled(false);
    C.btnProg->SetOnClick([this] { btnProgClick(); });
    C.btnCancel->SetOnClick([this] { btnCancelClick(); });
    C.imgDev->SetVisible(false);
    C.imgLogoRU->SetVisible(false);
    C.imgLogoEN->SetVisible(false);
    C.lblState->SetText(kDesignStatus);
    C.pgbMain->SetMarquee(false);
    SetProgress(0);
    C.Window->SetTitle("");
}

void TfrmZEVProgrammer::SetWorkerFactory(TWorkerFactory pFactory) {
    if (pFactory.NewSearchWorker) FFactory.NewSearchWorker = std::move(pFactory.NewSearchWorker);
    if (pFactory.NewProgWorker) FFactory.NewProgWorker = std::move(pFactory.NewProgWorker);
}

TfrmZEVProgrammer::~TfrmZEVProgrammer() {
    FAlive.reset();
    FormDestroy();
}

void TfrmZEVProgrammer::FormCreate() {
    TCheckedPackage checked;
    try {
        FReadPackage(FPackage);
        // Container, data, information record, checksum, and the flash and EEPROM lines: a
        // package whose lines cannot be cut fails here, before any device is searched.
        CheckPackage(FPackage, checked);
        B = checked.info;
        CurrentLanguage = DetectLanguage(B.TX);
        FL = std::make_shared<const ALormanBootLoaderDataLines>(std::move(checked.flash));
        EE = std::make_shared<const ALormanBootLoaderDataLines>(std::move(checked.eeprom));
        FH = std::make_unique<TLormanBootLoaderHexDataFile>(std::move(checked.image));
        SetTexts();
        C.tmrStartSearch->SetEnabled(true);
    } catch (const std::exception& e) {
        const std::string message = e.what();
        FStartupFailed = true;
        if (checked.infoRead) B = checked.info;
        if (checked.parsed && !FH)
            FH = std::make_unique<TLormanBootLoaderHexDataFile>(std::move(checked.image));
        CurrentLanguage = AskLanguage(C.SelectLanguage);
        SetTexts();
        SetStatus(Format(LangText(2), {message}), clRed);
        C.tmrStartSearch->SetEnabled(false);
    }
    FAppEventsRouted = true;
    SetTitle();
    // Nothing is to be pressed until devices are listed: a key meant for something else must
    // not reach "Close".
    C.pgbMain->SetFocus();
}

void TfrmZEVProgrammer::FormDestroy() {
    FH.reset();
}

void TfrmZEVProgrammer::SetTexts() {
    C.lblCDevices->SetText(LangText(14));
    C.lblStateC->SetText(LangText(15));
    C.lblState->SetText(LangText(16));
    C.btnProg->SetCaption(LangText(17));
    C.btnCancel->SetCaption(LangText(18));
    const bool russian = CurrentLanguage == kLangRussian;
    C.imgLogoRU->SetVisible(russian);
    C.imgLogoEN->SetVisible(!russian);
}

void TfrmZEVProgrammer::SetTitle() {
    C.Window->SetTitle(PackageTitle(B));
}

void TfrmZEVProgrammer::SetStatus(const std::string& pText, TColor pColor) {
    C.lblState->SetText(pText);
    C.lblState->SetColor(pColor);
}

void TfrmZEVProgrammer::SetProgress(int pPosition) {
    FProgress = pPosition;
    C.pgbMain->SetPosition(pPosition);
}

void TfrmZEVProgrammer::FormActivate() {
    if (!FClosed) C.Window->SetFrameColor(clGradientActiveCaption);
}

void TfrmZEVProgrammer::FormDeactivate() {
    if (!FClosed) C.Window->SetFrameColor(clGradientInactiveCaption);
}

void TfrmZEVProgrammer::ApplicationActivate(bool pActive) {
    if (!FAppEventsRouted) return;
    if (pActive)
        FormActivate();
    else
        FormDeactivate();
}

void TfrmZEVProgrammer::FormClose() {
    if (FClosed) return;
    FClosed = true;
    // Workers calling the main thread from now on return at once instead of waiting.
    SetApplicationTerminating(true);
    for (ITimer* timer : {C.tmrStartSearch, C.tmrStopSearch, C.tmrStartProg, C.tmrStopProg})
        timer->SetEnabled(false);
}

void TfrmZEVProgrammer::btnCancelClick() {
    FormClose();
    C.Window->Close();
}

bool TfrmZEVProgrammer::WorkersRunning() const {
    for (const auto* worker : AST)
        if (worker) return true;
    for (const auto* worker : APT)
        if (worker) return true;
    return false;
}

TOnThreadCtrlEvent
TfrmZEVProgrammer::Callback(void (TfrmZEVProgrammer::*pHandler)(TCustomThreadCtrl*, std::uint32_t,
                                                                std::uint32_t, std::uint32_t&)) {
    std::weak_ptr<bool> alive = FAlive;
    // Runs on the main thread, like the window's destruction; a window that is gone leaves the
    // result at "BREAK", which ends the worker.
    return [this, alive, pHandler](TCustomThreadCtrl* Sender, std::uint32_t wParam,
                                   std::uint32_t lParam, std::uint32_t& Res) {
        if (alive.expired()) return;
        (this->*pHandler)(Sender, wParam, lParam, Res);
    };
}

} // namespace zev
