// The search cycle of the main window: one search worker per port, and again while no device
// answers; then one row per found device.

#include "app/detail/device_judging.h"
#include "app/main_window.h"
#include "app/search_hint.h"
#include "app/worker_slots.h"
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
    FRoundPorts = ports.size();
    FRoundFaults.assign(ports.size(), TPortFault{});
    for (std::size_t i = 0; i < ports.size(); ++i) {
        // A worker that does not start leaves its slot empty: it does not hold up the search.
        StartInSlot(AST, i, FFactory.NewSearchWorker, [&](TLormanSearchBootLoaderThreadCtrl& w) {
            w.SetSEvent(Callback(&TfrmZEVProgrammer::SearchEvent));
            w.SetParams(static_cast<std::uint8_t>(i), ports[i]);
        });
    }
    // No port, or no worker that started: the search is over already.
    EndSearchIfIdle();
}

void TfrmZEVProgrammer::SearchEvent(TCustomThreadCtrl* Sender, std::uint32_t wParam,
                                    std::uint32_t lParam, std::uint32_t& Res) {
    Res = 0;
    if (FClosed) return;
    const auto found = SlotOf(AST, wParam, Sender);
    if (!found) return;
    const std::size_t slot = *found;
    auto* worker = AST[slot];
    switch (lParam) {
    case evDone:
        BLI.push_back(TLormanBootLoaderDevIDInfo{worker->Port(), worker->DevID()});
        AST[slot] = nullptr;
        break;
    case evFailed:
        // Why the port could not be opened, for the hint after a round that found nothing.
        if (slot < FRoundFaults.size() && worker->OpenError())
            FRoundFaults[slot] = TPortFault{worker->Port(), worker->OpenError()};
        AST[slot] = nullptr;
        break;
    default:
        break;
    }
    EndSearchIfIdle();
}

void TfrmZEVProgrammer::EndSearchIfIdle() {
    if (!AllEnded(AST)) return;
    AST.clear();
    C.tmrStopSearch->SetEnabled(true);
}

void TfrmZEVProgrammer::tmrStopSearchTimer() {
    C.tmrStopSearch->SetEnabled(false);
    if (FClosed) return;
    if (BLI.empty()) {
        // Nothing answered: say what stood in the way, and search again with a fresh port list.
        // A round whose faults are those of the last one keeps its hint: the programs holding a
        // port are looked up only when something changed (rounds of failing ports are short).
        std::string key = std::to_string(FRoundPorts);
        for (const TPortFault& fault : FRoundFaults)
            key += "|" + fault.Port + ":" + std::to_string(fault.Code.value());
        if (key != FHintKey) {
            FHintKey = key;
            C.pnlData->SetNotice(SearchHint(FRoundPorts, FRoundFaults));
        }
        C.tmrStartSearch->SetEnabled(true);
        return;
    }
    C.pnlData->SetNotice("");
    std::string format;
    GetLangText(6, format);
    SetStatus(Format(format, {static_cast<std::uint64_t>(BLI.size())}), clWindowText);
    C.pgbMain->SetMarquee(false);
    SetProgress(0);

    AIP.resize(BLI.size());
    const TPackageMemory memory = PackageMemory(*FH);
    FRowPorts = RowPortHints(BLI);
    for (std::size_t i = 0; i < BLI.size(); ++i) {
        const TLormanBootLoaderDevID& id = BLI[i].DevID;
        AIP[i].New(*C.pnlData, DeviceRowText(id), *C.imgDev, JudgeDevice(id, B, memory),
                   [this] { CheckBoxesClick(); });
        // Identical devices are told apart by their ports.
        AIP[i].SetHint(FRowPorts[i]);
        // The last device found ends up at the top.
        AIP[i].MoveU();
    }
    CheckBoxesClick();
    FocusOnList();
}

std::vector<std::string>
TfrmZEVProgrammer::RowPortHints(const ALormanBootLoaderDevsIDInfo& pFound) {
    // One walk of the device database for all rows; without it the port names alone.
    APortsInfo ports;
    try {
        ports = TBasicComPortCtrl::ListPortsInfo();
    } catch (const std::exception&) {
        ports.clear();
    }
    std::vector<std::string> hints;
    for (const auto& found : pFound) {
        std::string name;
        try {
            name = FindPortInfo(ports, found.Port).FN;
        } catch (const std::exception&) {
            name.clear();
        }
        // A name that holds the port's already says it all ("USB Serial Port (COM5)").
        if (name.empty())
            hints.push_back(found.Port);
        else if (name.find(found.Port) != std::string::npos)
            hints.push_back(name);
        else
            hints.push_back(found.Port + " (" + name + ")");
    }
    return hints;
}

void TfrmZEVProgrammer::FocusOnList() {
    // "Next" when a row is ticked, so that Enter or Space starts the run; else the first row
    // from the top that can be ticked. Rows were built each above the last.
    if (C.btnProg->Enabled()) {
        C.btnProg->SetFocus();
        return;
    }
    for (auto row = AIP.rbegin(); row != AIP.rend(); ++row) {
        if (row->P == nullptr || (row->Tag != kRowNotRequired && row->Tag != kRowToUpdate))
            continue;
        row->P->SetFocus();
        return;
    }
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
