#include "threads/thread_ctrl.h"

#include "core/error.h"
#include "core/text.h"
#include "threads/main_thread.h"

#include <exception>
#include <thread>

namespace zev {

namespace {
const std::string kIndent = "    ";
const std::string kLabelExecute = "TCustomThreadCtrl.Execute";
const std::string kLabelBefore = "TCustomThreadCtrl.ExecBefore";
const std::string kLabelRepeat = "TCustomThreadCtrl.ExecRepeat";
const std::string kLabelAfter = "TCustomThreadCtrl.ExecAfter";
const std::string kLabelAction = "TCustomThreadCtrl.ExecAction";

std::string CurrentMessage() {
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown error";
    }
}
} // namespace

TCustomThreadCtrl::TCustomThreadCtrl() : FACT(std::make_unique<TThreadCtrlActions>()) {}

TCustomThreadCtrl::~TCustomThreadCtrl() = default;

void TCustomThreadCtrl::ThreadBegin() {
    if (FStarted.exchange(true)) Raise("TCustomThreadCtrl.ThreadBegin >> already started");
    std::thread(&TCustomThreadCtrl::ThreadProc, this).detach();
}

void TCustomThreadCtrl::ThreadProc(TCustomThreadCtrl* pSelf) {
    pSelf->Execute();
    delete pSelf;
}

void TCustomThreadCtrl::ThreadEnd() {
    std::lock_guard<std::mutex> lock(FCS);
    FStop = true;
}

void TCustomThreadCtrl::SetSEvent(TOnThreadCtrlEvent pOnEvent) {
    FOnEvent = std::move(pOnEvent);
}

void TCustomThreadCtrl::SetAEvent(std::uint32_t pMsgEvent, std::uintptr_t pMsgForm) {
    FMsgEvent = pMsgEvent;
    if (pMsgForm == 0) {
        IMainThread* main = MainThread();
        pMsgForm = main != nullptr ? main->MainWindowHandle() : 0;
    }
    FMsgForm = pMsgForm;
}

bool TCustomThreadCtrl::GetStoped() const {
    std::lock_guard<std::mutex> lock(FCS);
    return FStop || ApplicationTerminating();
}

void TCustomThreadCtrl::ExecRepeat() {
    Raise(kBreak);
}

void TCustomThreadCtrl::ExecError(std::uint8_t, const std::string&) {}

void TCustomThreadCtrl::ExecAction(TThreadCtrlAction&) {}

std::uint32_t TCustomThreadCtrl::CallSEvent(std::uint32_t wParam, std::uint32_t lParam) {
    FpW = wParam;
    FpL = lParam;
    FpR = ResBreak;
    RunOnMainThread([this] { ExecSEvent(); });
    if (FpR == ResBreak) Raise(kBreak);
    if (FpR == ResContinue) Raise(kContinue);
    return FpR;
}

void TCustomThreadCtrl::ExecSEvent() {
    if (!FOnEvent) return;
    try {
        FOnEvent(this, FpW, FpL, FpR);
    } catch (...) {
    }
}

void TCustomThreadCtrl::Execute() {
    std::uint8_t stage = 0;
    try {
        try {
            ExecBefore();
        } catch (...) {
            stage = 1;
            Raise(AppendIndented(CurrentMessage(), kLabelBefore, kIndent));
        }
        for (;;) {
            if (GetStoped()) break;
            for (;;) {
                TThreadCtrlAction action;
                try {
                    action = FACT->Get();
                } catch (...) {
                    break;
                }
                try {
                    ExecAction(action);
                } catch (...) {
                    ExecError(4, AppendIndented(CurrentMessage(), kLabelAction, kIndent));
                }
            }
            if (GetStoped()) break;
            try {
                ExecRepeat();
            } catch (...) {
                const std::string message = CurrentMessage();
                if (message == kBreak) break;
                if (message != kContinue) {
                    ExecError(2, AppendIndented(message, kLabelRepeat, kIndent));
                }
            }
            if (ApplicationTerminating()) break;
        }
        try {
            ExecAfter();
        } catch (...) {
            stage = 3;
            Raise(AppendIndented(CurrentMessage(), kLabelAfter, kIndent));
        }
    } catch (...) {
        try {
            ExecError(stage, AppendIndented(CurrentMessage(), kLabelExecute, kIndent));
        } catch (...) {
        }
    }
    try {
        FACT.reset();
    } catch (...) {
    }
}

} // namespace zev
