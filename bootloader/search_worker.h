#pragma once
// TLormanSearchBootLoaderThreadCtrl: looks for a bootloader on one serial port. It opens the
// port, asks for the identity and reports to the main window: evStarted, then evDone (the
// identity is in DevID) or evFailed (Error holds "device is not available" when the port could
// not be opened, and OpenError the system's reason). Events carry wParam = the index given to
// SetParams and lParam = the code; the callback may read DevID, Port and Error while it runs. The
// worker runs its job once and deletes itself.
//
// Driving it: new, SetSEvent, SetParams, ThreadBegin; keep the pointer only until evDone or
// evFailed has arrived.

#include "bootloader/dev_id.h"
#include "threads/thread_ctrl.h"

#include <cstdint>
#include <string>
#include <system_error>

namespace zev {

class TLormanSearchBootLoaderThreadCtrl : public TCustomThreadCtrl {
public:
    // pPort exactly as the port list gives it. Called once, before ThreadBegin.
    void SetParams(std::uint8_t pIndex, const std::string& pPort);

    const TLormanBootLoaderDevID& DevID() const { return FDID; }
    const std::string& Error() const { return FError; }
    const std::string& Port() const { return FPort; }
    // Why the port could not be opened: the system's code (compare it with os::TErrorKind);
    // empty when it was opened, or when it failed before the system was asked.
    const std::error_code& OpenError() const { return FOpenError; }

protected:
    void ExecBefore() override {}
    void ExecRepeat() override;
    void ExecAfter() override {}
    void ExecError(std::uint8_t, const std::string&) override {}
    void ExecAction(TThreadCtrlAction&) override {}

private:
    // Opens the port, sets it up and reads the identity into FDID.
    void Search();

    std::string FError;
    std::error_code FOpenError;
    std::string FPort;
    std::uint8_t FIndex = 0;
    TLormanBootLoaderDevID FDID;
};

} // namespace zev
