#pragma once
// TfrmZEVProgrammer: the logic of the program's only window, written against the controls of
// app/controls.h. After its start-up sequence (FormCreate) it searches every serial port for a
// device bootloader, one search worker per port, again and again until a device answers; lists
// the devices, judging each against the package; and when "Next" is pressed writes the firmware
// to every ticked device at once, one programming worker per device, with a common progress bar
// and a result per row.
//
// Everything runs on the main thread: the handlers, the four one-shot timers and the workers'
// callbacks, which the workers run there and wait for. The window never waits for a worker.

#include "app/controls.h"
#include "app/info_panel.h"
#include "app/search_hint.h"
#include "bootloader/dev_id.h"
#include "bootloader/prog_worker.h"
#include "bootloader/search_worker.h"
#include "datafiles/abytes.h"
#include "datafiles/bootloader_image.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zev {

// How the window makes its workers; by default with new. A maker may raise: the window then
// goes on without that worker.
struct TWorkerFactory {
    std::function<TLormanSearchBootLoaderThreadCtrl*()> NewSearchWorker;
    std::function<TLormanProgBootLoaderThreadCtrl*()> NewProgWorker;
};

class TfrmZEVProgrammer {
public:
    // Fills its argument with the update package; raises when the package's file cannot be
    // read. The program reads its own file (ReadAttachedPackage).
    using TPackageSource = std::function<void(ABytes&)>;

    // Wires the controls' handlers. The controls must outlive the window.
    explicit TfrmZEVProgrammer(const TMainWindowControls& pControls,
                               TPackageSource pReadPackage = {});
    ~TfrmZEVProgrammer();
    TfrmZEVProgrammer(const TfrmZEVProgrammer&) = delete;
    TfrmZEVProgrammer& operator=(const TfrmZEVProgrammer&) = delete;

    void SetWorkerFactory(TWorkerFactory pFactory);

    // The start-up sequence: package, check, language, texts, title, and the first search in
    // 100 ms; on any failure the language dialog, the red error line and nothing else.
    void FormCreate();
    // Releases the firmware image.
    void FormDestroy();
    // The window's own activation: the frame colour follows it.
    void FormActivate();
    void FormDeactivate();
    // The application's activation, routed to FormActivate and FormDeactivate once the start-up
    // sequence has run.
    void ApplicationActivate(bool pActive);
    // The window is closing (close box, "Close", the system): from now on nothing more is
    // handled, and workers no longer wait for the main thread.
    void FormClose();

    void tmrStartSearchTimer();
    void tmrStopSearchTimer();
    void tmrStartProgTimer();
    void tmrStopProgTimer();
    void btnProgClick();
    void btnCancelClick();
    // "Next" is enabled while at least one row is ticked.
    void CheckBoxesClick();

    // One search worker per port.
    void Search();
    // One programming worker per ticked row.
    void Prog();

    void SearchEvent(TCustomThreadCtrl* Sender, std::uint32_t wParam, std::uint32_t lParam,
                     std::uint32_t& Res);
    void ProgEvent(TCustomThreadCtrl* Sender, std::uint32_t wParam, std::uint32_t lParam,
                   std::uint32_t& Res);

    // What the window holds, for the bindings and the tests.
    const TLormanBootLoaderInfo& Info() const { return B; }
    const ALormanBootLoaderDevsIDInfo& Devices() const { return BLI; }
    const AInfoPanels& Rows() const { return AIP; }
    bool HasImage() const { return FH != nullptr; }
    // Searches started so far.
    std::uint32_t SearchCount() const { return FSearchCount; }
    // True while a search or programming worker has not reported its end.
    bool WorkersRunning() const;
    // The progress bar's position as last set (0 .. 1000).
    int Progress() const { return FProgress; }
    bool StartupFailed() const { return FStartupFailed; }
    bool RunFinished() const { return FRunFinished; }
    bool Closed() const { return FClosed; }

private:
    void SetTexts();
    void SetTitle();
    void SetStatus(const std::string& pText, TColor pColor);
    void SetProgress(int pPosition);
    void EndSearchIfIdle();
    // The keyboard focus once the list is built.
    void FocusOnList();
    // Each found device's port as its row's hint shows it: the port's name, with the adapter's
    // name where the device database gives one.
    static std::vector<std::string> RowPortHints(const ALormanBootLoaderDevsIDInfo& pFound);
    void EndRunIfIdle();
    // The hint of a failed row: the worker's failure text, or "update error" when it has none;
    // then, on a line of its own, the row's port.
    std::string FailureHint(std::size_t pRow, const std::string& pWorkerError) const;
    // A callback that does nothing once this window is gone.
    TOnThreadCtrlEvent Callback(void (TfrmZEVProgrammer::*pHandler)(TCustomThreadCtrl*,
                                                                    std::uint32_t, std::uint32_t,
                                                                    std::uint32_t&));

    TMainWindowControls C;
    TPackageSource FReadPackage;
    TWorkerFactory FFactory;

    std::vector<TLormanSearchBootLoaderThreadCtrl*> AST;
    std::vector<TLormanProgBootLoaderThreadCtrl*> APT;
    ABytes APTpg;
    std::uint32_t APTpgQ = 0; // workers started; wider than a worker's 8-bit index
    ALormanBootLoaderDevsIDInfo BLI;
    AInfoPanels AIP;
    std::vector<std::string> FRowPorts; // each row's port, as its hint shows it
    std::unique_ptr<TLormanBootLoaderHexDataFile> FH;
    PLormanBootLoaderDataLines FL;
    PLormanBootLoaderDataLines EE;
    TLormanBootLoaderInfo B;

    // The ports of the current search and the ones that could not be opened (slot for slot).
    std::size_t FRoundPorts = 0;
    std::vector<TPortFault> FRoundFaults;
    std::string FHintKey; // the ports and faults the hint shown was made of
    ABytes FPackage;      // the package as read, kept for the program's life
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
    std::uint32_t FSearchCount = 0;
    int FProgress = 0;
    bool FStartupFailed = false;
    bool FAppEventsRouted = false;
    bool FRunStarted = false;
    bool FRunFinished = false;
    bool FClosed = false;
};

} // namespace zev
