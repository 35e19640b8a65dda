#include "bootloader/prog_worker.h"

#include "bootloader/lorman_bootloader.h"
#include "bootloader/session_profiles.h"
#include "bootloader/worker_events.h"
#include "core/error.h"
#include "core/format.h"
#include "core/lang.h"
#include "platform/timing.h"

namespace zev {

namespace {

constexpr std::uint32_t kTextUpdateError = 10;
constexpr std::uint32_t kTextNotAvailable = 12;
constexpr std::uint32_t kTextNotResponding = 13;
constexpr int kLineAttempts = 3;
constexpr double kResetDelayMs = 200;

const ALormanBootLoaderDataLines kNoLines;

std::string LangText(std::uint32_t pNumber) {
    std::string text;
    GetLangText(pNumber, text);
    return text;
}

} // namespace

void TLormanProgBootLoaderThreadCtrl::SetParams(std::uint8_t pIndex, const std::string& pPort) {
    FIndex = pIndex;
    FPort = pPort;
}

void TLormanProgBootLoaderThreadCtrl::SetData(PLormanBootLoaderDataLines pFL,
                                              PLormanBootLoaderDataLines pEE) {
    FFL = std::move(pFL);
    FEE = std::move(pEE);
}

void TLormanProgBootLoaderThreadCtrl::SetExpected(const TLormanBootLoaderDevID& pDevID) {
    FExpected = pDevID;
}

std::uint32_t TLormanProgBootLoaderThreadCtrl::CallProgEvent(std::uint16_t pCode,
                                                             std::uint32_t pLParam) {
    return CallSEvent(PackProgEvent(FIndex, pCode), pLParam);
}

void TLormanProgBootLoaderThreadCtrl::StopIfAsked() const {
    if (Stoped()) Raise("TLormanProgBootLoaderThreadCtrl >> stopped before the end of the update");
}

void TLormanProgBootLoaderThreadCtrl::CheckDevice(TLormanBootLoader& pBoot) {
    try {
        FDID = pBoot.DeviceID();
    } catch (...) {
        FError = LangText(kTextNotResponding);
        Raise(FError);
    }
    // Another device plugged into the port since the search gets nothing that was judged for
    // a different device.
    if (!FExpected || !SameDevice(*FExpected, FDID)) {
        FError = LangText(kTextUpdateError);
        Raise(FError);
    }
}

void TLormanProgBootLoaderThreadCtrl::WriteLines(const ALormanBootLoaderDataLines& pLines,
                                                 std::int64_t pFirst, std::int64_t pTotal,
                                                 const char* pMark, const TWriteLine& pWrite) {
    std::size_t i = 0;
    int failures = 0;
    while (i < pLines.size()) {
        StopIfAsked();
        try {
            pWrite(pLines[i]);
            CallProgEvent(evProgress,
                          ProgressPercent(pFirst + static_cast<std::int64_t>(i), pTotal));
            ++i;
            failures = 0;
        } catch (...) {
            // A progress call refused because the application is closing is no line failure.
            StopIfAsked();
            FError = LangText(kTextUpdateError) + pMark +
                     Format("%.3x", {static_cast<unsigned long long>(i)});
            if (++failures >= kLineAttempts) throw;
        }
    }
}

void TLormanProgBootLoaderThreadCtrl::Program() {
    TLormanBootLoader boot; // closes the port when it goes, whatever happens
    boot.SetLog(false);
    boot.SetSessionParam(ProgSessionProfile());
    try {
        boot.Open(FPort, TCustomComPortCtrl::kReadWrite, false);
    } catch (...) {
        FError = LangText(kTextNotAvailable);
        Raise(FError);
    }
    const ALormanBootLoaderDataLines& flash = FFL ? *FFL : kNoLines;
    const ALormanBootLoaderDataLines& eeprom = FEE ? *FEE : kNoLines;
    const auto flashCount = static_cast<std::int64_t>(flash.size());
    const std::int64_t total = static_cast<std::int64_t>(eeprom.size()) + flashCount - 1;
    boot.SetSetup(BootPortSetup());
    CheckDevice(boot);
    WriteLines(flash, 0, total, " 0xF",
               [&](const TLormanBootLoaderDataLine& line) { boot.Flash(line.A, line.D); });
    WriteLines(eeprom, flashCount, total, " 0xE", [&](const TLormanBootLoaderDataLine& line) {
        boot.EEPROM(static_cast<std::uint8_t>(line.A & 0xFF), line.D);
    });
    StopIfAsked();
    SleepMs(kResetDelayMs);
    StopIfAsked(); // a device is reset only after its last line was written
    boot.Reset();
    boot.Close();
}

void TLormanProgBootLoaderThreadCtrl::ExecRepeat() {
    CallProgEvent(evStarted, 0);
    FError.clear();
    try {
        Program();
        CallProgEvent(evDone, 0);
    } catch (...) {
        // The final report ends the job whatever the callback answers; when the application
        // is terminating it returns at once.
        try {
            CallProgEvent(evFailed, 0);
        } catch (...) {
        }
    }
    Raise(kBreak);
}

} // namespace zev
