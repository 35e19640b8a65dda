// The search cycle of the main window: one search worker per port, and again while no device
// answers; then one row per found device.

#include "app/device_judging.h"
#include "app/main_window.h"
#include "bootloader/worker_events.h"
#include "comport/basic_port.h"
#include "core/error.h"
#include "core/format.h"
#include "core/lang.h"

#include <algorithm>

namespace zev {

void TfrmZEVProgrammer::tmrStartSearchTimer() {
    C.tmrStartSearch->SetEnabled(false);
    if (FClosed) return;
    C.pgbMain->SetMarquee(true);
    Search();
}

void TfrmZEVProgrammer::Search() {
    ++FSearchCount;
    const std::vector<std::string> ports = TBasicComPortCtrl::ListPorts();
    BLI.clear();
    AST.assign(ports.size(), nullptr);
    for (std::size_t i = 0; i < ports.size(); ++i) {
        TLormanSearchBootLoaderThreadCtrl* worker = nullptr;
        try {
            worker = FFactory.NewSearchWorker();
            if (worker == nullptr) Raise("no worker");
            worker->SetSEvent(Callback(&TfrmZEVProgrammer::SearchEvent));
            worker->SetParams(static_cast<std::uint8_t>(i), ports[i]);
            AST[i] = worker;
            worker->ThreadBegin();
        } catch (...) {
            // Not started: it will never report, so its slot must not hold up the search.
            AST[i] = nullptr;
            delete worker;
        }
    }
    // No port, or no worker that started: the search is over already.
    EndSearchIfIdle();
}

void TfrmZEVProgrammer::SearchEvent(TCustomThreadCtrl* Sender, std::uint32_t wParam,
                                    std::uint32_t lParam, std::uint32_t& Res) {
    Res = 0;
    if (FClosed) return;
    // The slot the index names, or the sender's own slot when indices repeat (over 256 ports).
    std::size_t slot = wParam;
    if (slot >= AST.size() || AST[slot] != Sender) {
        const auto it = std::find(AST.begin(), AST.end(), Sender);
        if (it == AST.end() || Sender == nullptr) return;
        slot = static_cast<std::size_t>(it - AST.begin());
    }
    auto* worker = AST[slot];
    switch (lParam) {
    case evDone:
        BLI.push_back(TLormanBootLoaderDevIDInfo{worker->Port(), worker->DevID()});
        AST[slot] = nullptr;
        break;
    case evFailed:
        AST[slot] = nullptr;
        break;
    default:
        break;
    }
    EndSearchIfIdle();
}

void TfrmZEVProgrammer::EndSearchIfIdle() {
    if (std::any_of(AST.begin(), AST.end(), [](const auto* w) { return w != nullptr; })) return;
    AST.clear();
    C.tmrStopSearch->SetEnabled(true);
}

void TfrmZEVProgrammer::tmrStopSearchTimer() {
    C.tmrStopSearch->SetEnabled(false);
    if (FClosed) return;
    if (BLI.empty()) {
        // Nothing answered: search again, with a fresh port list.
        C.tmrStartSearch->SetEnabled(true);
        return;
    }
    std::string format;
    GetLangText(6, format);
    SetStatus(Format(format, {static_cast<std::uint64_t>(BLI.size())}), clWindowText);
    C.pgbMain->SetMarquee(false);
    SetProgress(0);

    AIP.resize(BLI.size());
    for (std::size_t i = 0; i < BLI.size(); ++i) {
        const TLormanBootLoaderDevID& id = BLI[i].DevID;
        AIP[i].New(*C.pnlData, DeviceRowText(id), *C.imgDev, JudgeDevice(id, B),
                   [this] { CheckBoxesClick(); });
        // The last device found ends up at the top.
        AIP[i].MoveU();
    }
    CheckBoxesClick();
}

void TfrmZEVProgrammer::CheckBoxesClick() {
    if (FClosed) return;
    if (FRunStarted) {
        C.btnProg->SetEnabled(false);
        return;
    }
    const bool ticked =
        std::any_of(AIP.begin(), AIP.end(), [](const TInfoPanel& row) { return row.Checked(); });
    C.btnProg->SetEnabled(ticked);
}

} // namespace zev
