#pragma once
// TLormanProgBootLoaderThreadCtrl: writes the firmware to one device. It opens the device's
// port, reads the identity and checks that it is still the device the search found, writes
// every flash line and then every EEPROM line (three attempts per line), waits 200 ms, resets
// the device and reports: evStarted, evProgress after every line (0 for the first line written,
// 100 for the last), then evDone or evFailed. Events carry wParam = index << 16 | code and
// lParam = the percentage (PackProgEvent). The worker runs its job once and deletes itself.
//
// Nothing is written unless the device on the port has the identifier, program device type,
// variant and board revision of the identity given to SetExpected. When the application begins
// to terminate (or ThreadEnd is called) while lines are written, the worker stops before the
// next line, does not reset the half-written device and reports evFailed.
//
// Driving it: new, SetSEvent, SetParams, SetData, SetExpected, ThreadBegin; keep the pointer
// only until evDone or evFailed has arrived.

#include "bootloader/dev_id.h"
#include "datafiles/bootloader_image.h"
#include "threads/thread_ctrl.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace zev {

class TLormanBootLoader;

// Line arrays shared read-only by every programming worker of one run.
using PLormanBootLoaderDataLines = std::shared_ptr<const ALormanBootLoaderDataLines>;

class TLormanProgBootLoaderThreadCtrl : public TCustomThreadCtrl {
public:
    void SetParams(std::uint8_t pIndex, const std::string& pPort);
    // The flash and EEPROM lines, written in this order; null is no lines.
    void SetData(PLormanBootLoaderDataLines pFL, PLormanBootLoaderDataLines pEE);
    // The identity the search found on this port.
    void SetExpected(const TLormanBootLoaderDevID& pDevID);

    const TLormanBootLoaderDevID& DevID() const { return FDID; }
    const std::string& Port() const { return FPort; }
    std::uint8_t Index() const { return FIndex; }
    // The text of the last failure: "device is not available", "device is not responding",
    // "update error" (another device on the port), or "update error 0xF01A" for flash line 26
    // ("0xE" for EEPROM lines). Readable by the callback while it runs.
    const std::string& Error() const { return FError; }

protected:
    void ExecBefore() override {}
    void ExecRepeat() override;
    void ExecAfter() override {}
    void ExecError(std::uint8_t, const std::string&) override {}
    void ExecAction(TThreadCtrlAction&) override {}

    // CallSEvent with wParam = FIndex << 16 | pCode.
    std::uint32_t CallProgEvent(std::uint16_t pCode, std::uint32_t pLParam);

private:
    using TWriteLine = std::function<void(const TLormanBootLoaderDataLine&)>;

    // Opens the port, checks the device, writes the lines and resets the device.
    void Program();
    void CheckDevice(TLormanBootLoader& pBoot);
    // Writes pLines in order, each up to three times; line k of them is line pFirst + k of all.
    void WriteLines(const ALormanBootLoaderDataLines& pLines, std::int64_t pFirst,
                    std::int64_t pTotal, const char* pMark, const TWriteLine& pWrite);
    // Raises when the application is terminating or the worker was asked to stop.
    void StopIfAsked() const;

    std::string FError;
    std::string FPort;
    std::uint8_t FIndex = 0;
    TLormanBootLoaderDevID FDID;
    PLormanBootLoaderDataLines FFL;
    PLormanBootLoaderDataLines FEE;
    std::optional<TLormanBootLoaderDevID> FExpected;
};

} // namespace zev
