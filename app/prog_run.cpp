// The programming run of the main window: one programming worker per ticked row, the common
// progress bar, a result per row, and the end of the run.

#include "app/main_window.h"
#include "app/worker_slots.h"
#include "bootloader/worker_events.h"
#include "core/error.h"
#include "core/lang.h"

#include <algorithm>

namespace zev {

void TfrmZEVProgrammer::btnProgClick() {
    if (FClosed || FRunStarted) return;
    FRunStarted = true;
    C.tmrStartProg->SetEnabled(true);
    // The focus leaves "Next" before it is disabled, for the progress bar, where a second key
    // press does nothing; left to the toolkit it would pass on to "Close".
    C.pgbMain->SetFocus();
    // "Next" stays disabled to the end of the program: there is no second run.
    C.btnProg->SetEnabled(false);
}

void TfrmZEVProgrammer::tmrStartProgTimer() {
    C.tmrStartProg->SetEnabled(false);
    if (FClosed) return;
    Prog();
}

void TfrmZEVProgrammer::Prog() {
    std::string status;
    GetLangText(4, status);
    SetStatus(status, clWindowText);
    for (TInfoPanel& row : AIP)
        if (row.P) row.P->SetRowEnabled(false);

    C.pgbMain->SetMarquee(false);
    SetProgress(0);
    APTpgQ = 0;
    APT.assign(BLI.size(), nullptr);
    APTpg.assign(APT.size(), 0);
    for (std::size_t i = 0; i < BLI.size(); ++i) {
        APTpg[i] = 0;
        if (i >= AIP.size() || !AIP[i].Checked()) continue;
        const bool started =
            StartInSlot(APT, i, FFactory.NewProgWorker, [&](TLormanProgBootLoaderThreadCtrl& w) {
                w.SetSEvent(Callback(&TfrmZEVProgrammer::ProgEvent));
                w.SetParams(static_cast<std::uint8_t>(i), BLI[i].Port);
                w.SetData(FL, EE);
                w.SetExpected(BLI[i].DevID);
            });
        if (started) {
            ++APTpgQ;
        } else {
            // Not started: the device is not written, and its empty slot does not hold up the
            // run.
            AIP[i].SetC(kRowFailed);
            AIP[i].SetHint(FailureHint(i, ""));
        }
    }
    EndRunIfIdle();
}

void TfrmZEVProgrammer::ProgEvent(TCustomThreadCtrl* Sender, std::uint32_t wParam,
                                  std::uint32_t lParam, std::uint32_t& Res) {
    Res = 0;
    if (FClosed) return;
    const std::uint32_t code = wParam & 0xFFFF;
    const auto found = SlotOf(APT, (wParam >> 16) & 0xFFFF, Sender);
    if (!found) return;
    const std::size_t i = *found;
    switch (code) {
    case evProgress:
        APTpg[i] = static_cast<std::uint8_t>(lParam & 0xFF);
        if (APTpgQ > 0) SetProgress(static_cast<int>(ABytesSum(APTpg) * 10 / APTpgQ));
        break;
    case evDone:
    case evFailed:
        // The worker's own account of its failure, in the current language, for the row's hint.
        if (code == evFailed) AIP[i].SetHint(FailureHint(i, APT[i]->Error()));
        APT[i] = nullptr;
        AIP[i].SetC(static_cast<std::int32_t>(code));
        EndRunIfIdle();
        break;
    default:
        break;
    }
}

void TfrmZEVProgrammer::EndRunIfIdle() {
    if (!AllEnded(APT)) return;
    APT.clear();
    C.tmrStopProg->SetEnabled(true);
}

void TfrmZEVProgrammer::tmrStopProgTimer() {
    C.tmrStopProg->SetEnabled(false);
    if (FClosed) return;
    SetProgress(0);
    // Success only when no row of the run failed; a failure is never reported as success.
    const bool failed = std::any_of(AIP.begin(), AIP.end(),
                                    [](const TInfoPanel& row) { return row.Tag == kRowFailed; });
    std::string status;
    GetLangText(failed ? 10 : 5, status);
    SetStatus(status, failed ? clRed : clWindowText);
    // The first failed row from the top comes into view; rows were built each above the last,
    // so the top row is the last one. Without a failure the list stays where it was.
    for (auto row = AIP.rbegin(); row != AIP.rend(); ++row) {
        if (row->Tag != kRowFailed) continue;
        row->ScrollIntoView();
        break;
    }
    FRunFinished = true;
}

std::string TfrmZEVProgrammer::FailureHint(std::size_t pRow,
                                           const std::string& pWorkerError) const {
    // A failure the worker put no words to (a refused setup, an unanswered reset, a worker
    // that was never started) is the row's own "update error".
    std::string text = pWorkerError;
    if (text.empty()) GetLangText(10, text);
    if (pRow < FRowPorts.size() && !FRowPorts[pRow].empty()) text += "\r\n" + FRowPorts[pRow];
    return text;
}

} // namespace zev
