#include "bootloader/search_worker.h"

#include "bootloader/lorman_bootloader.h"
#include "bootloader/session_profiles.h"
#include "bootloader/worker_events.h"
#include "comport/basic_port.h"
#include "core/error.h"
#include "core/lang.h"

namespace zev {

namespace {
constexpr std::uint32_t kTextNotAvailable = 12;
} // namespace

void TLormanSearchBootLoaderThreadCtrl::SetParams(std::uint8_t pIndex, const std::string& pPort) {
    FIndex = pIndex;
    FPort = pPort;
}

void TLormanSearchBootLoaderThreadCtrl::Search() {
    TLormanBootLoader boot; // closes the port when it goes, whatever happens
    boot.SetSessionParam(SearchSessionProfile());
    try {
        boot.Open(FPort, TCustomComPortCtrl::kReadWrite, false);
    } catch (const std::exception& e) {
        GetLangText(kTextNotAvailable, FError);
        if (const auto* open = dynamic_cast<const TPortOpenError*>(&e)) FOpenError = open->Code();
        Raise(FError);
    }
    boot.SetSetup(BootPortSetup());
    FDID = boot.DeviceID();
    boot.Close();
}

void TLormanSearchBootLoaderThreadCtrl::ExecRepeat() {
    // A callback that refuses the start ends the worker here, before the port is touched.
    CallSEvent(FIndex, evStarted);
    FError.clear();
    FOpenError.clear();
    try {
        Search();
        CallSEvent(FIndex, evDone);
    } catch (...) {
        // The final report ends the job whatever the callback answers.
        try {
            CallSEvent(FIndex, evFailed);
        } catch (...) {
        }
    }
    Raise(kBreak);
}

} // namespace zev
