#pragma once
// The device side of the bootloader protocol: memory, identity, the four commands, faults, and
// the record of every request. No I/O and no clock: the caller feeds frames and sends answers.

#include "datafiles/abytes.h"
#include "tools/zev-devsim/device_config.h"
#include "tools/zev-devsim/frame_reader.h"

#include <string>
#include <vector>

namespace zev::devsim {

inline constexpr std::size_t kFlashSize = 0x10000;
inline constexpr std::size_t kEepromSize = 0x100;
inline constexpr std::size_t kRecordSize = 32;

struct TReaction {
    ABytes Answer;      // empty: no answer
    double WorkMs = 0;  // the device's own time before it answers (paced timing)
    bool Close = false; // the device closes its port now
};

class TDevice {
public:
    // Loads the memory images and writes the configured program fields into the information
    // record; raises an Error when an image cannot be read or is too large.
    explicit TDevice(TDeviceConfig pConfig);

    TReaction Handle(const TFrame& pFrame);
    // Records bytes that were not part of any frame.
    void NoteIgnored(const ABytes& pRaw, const std::string& pWhy);

    const TDeviceConfig& Config() const { return FCfg; }
    const ABytes& Flash() const { return FFlash; }
    const ABytes& Eeprom() const { return FEeprom; }
    const std::vector<std::string>& Log() const { return FLog; }
    // The memory as lines "F AAAA:HEX..." (64 bytes each) and "E AAAA:HEX..." (32 bytes each).
    std::string MemoryText() const;
    // The 56 data bytes of the identity answer.
    ABytes IdentityData() const;

private:
    void ReadRecord();
    void WriteProgramFields();
    ABytes Answer(int pCmd, const ABytes& pData) const;

    TDeviceConfig FCfg;
    ABytes FFlash;
    ABytes FEeprom;
    ABytes FRecord; // the information record as the bootloader read it at its last start
    std::vector<std::string> FLog;
    bool FSilent = false;
};

} // namespace zev::devsim
