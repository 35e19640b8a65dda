#include "datafiles/package_builder.h"

#include "core/error.h"

namespace zev {

namespace {

void PutWord(ABytes& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// A small fixed generator, so that the demo bytes are the same on every machine.
class Sequence {
public:
    explicit Sequence(std::uint32_t seed) : FState(seed * 2654435761u + 12345u) {}
    std::uint8_t Next() {
        FState = FState * 1664525u + 1013904223u;
        return static_cast<std::uint8_t>(FState >> 24);
    }

private:
    std::uint32_t FState;
};

} // namespace

void PutInfoRecord(ABytes& flash, const TLormanBootLoaderInfo& info) {
    if (flash.size() < kInfoRecordSize) Raise("The flash image is shorter than its record");
    PutWord(flash, 0, info.EP);
    PutWord(flash, 2, info.CS);
    PutWord(flash, 4, info.VP);
    PutWord(flash, 6, info.TD);
    flash[8] = info.IZ;
    flash[9] = info.IP;
    PutWord(flash, 10, info.DT);
    for (std::size_t k = 0; k < 10; ++k)
        PutWord(flash, 12 + 2 * k, k < info.TX.size() ? static_cast<std::uint8_t>(info.TX[k]) : 0);
}

std::uint16_t FlashCheckSumm(const ABytes& flash, std::uint32_t flashAddress, std::uint16_t ep) {
    const std::int64_t last = std::int64_t{ep} - std::int64_t{flashAddress / 2};
    std::uint16_t sum = 0;
    for (std::int64_t k = 2; k <= last; ++k)
        sum = static_cast<std::uint16_t>(sum +
                                         ABytesGetWord(flash, static_cast<std::int32_t>(2 * k)));
    return static_cast<std::uint16_t>((0u - sum) & 0x3FFF);
}

void SealFlashImage(ABytes& flash, std::uint32_t flashAddress) {
    const std::uint16_t ep = ABytesGetWord(flash, 0);
    PutWord(flash, 2, FlashCheckSumm(flash, flashAddress, ep));
}

ABytes MakePackagePayload(std::uint32_t flashAddress, const ABytes& flash,
                          std::uint32_t eepromAddress, const ABytes& eeprom) {
    const auto flashSize = static_cast<std::uint32_t>(flash.size());
    ABytes out;
    if (eeprom.empty()) {
        out = ABytesConcat(ABytesFromWords({1}), ABytesFromLongs({flashAddress, 0, flashSize}));
    } else {
        out = ABytesConcat(ABytesFromWords({2}),
                           ABytesFromLongs({flashAddress, 0, flashSize, eepromAddress, flashSize,
                                            static_cast<std::uint32_t>(eeprom.size())}));
    }
    out.insert(out.end(), flash.begin(), flash.end());
    out.insert(out.end(), eeprom.begin(), eeprom.end());
    return out;
}

ABytes MakeDemoFlash(const TDemoFirmware& demo) {
    if (demo.flashSize < kInfoRecordSize || demo.flashSize % 2 != 0)
        Raise("The demo flash size must be even and at least 32 bytes");
    if (demo.flashAddress % 2 != 0 || std::uint64_t{demo.flashAddress} + demo.flashSize > 0x20000)
        Raise("The demo flash block must start at an even address and end by 0x20000");
    ABytes flash(demo.flashSize);
    Sequence sequence(demo.seed);
    for (std::size_t k = kInfoRecordSize; k < flash.size(); ++k) flash[k] = sequence.Next();

    TLormanBootLoaderInfo info;
    info.TX = demo.name.substr(0, 10);
    info.EP = static_cast<std::uint16_t>((demo.flashAddress + demo.flashSize) / 2 - 1);
    info.VP = demo.version;
    info.TD = demo.type;
    info.IP = demo.variant;
    info.IZ = demo.revision;
    info.DT = demo.dt;
    PutInfoRecord(flash, info);
    SealFlashImage(flash, demo.flashAddress);
    return flash;
}

ABytes MakeDemoEeprom(const TDemoFirmware& demo) {
    ABytes eeprom(demo.eepromSize, 0x00);
    Sequence sequence(demo.seed ^ 0x5A5A5A5Au);
    for (std::size_t k = 0; k < eeprom.size(); k += 2) eeprom[k] = sequence.Next();
    return eeprom;
}

ABytes MakeDemoPayload(const TDemoFirmware& demo) {
    return MakePackagePayload(demo.flashAddress, MakeDemoFlash(demo), demo.eepromAddress,
                              MakeDemoEeprom(demo));
}

} // namespace zev
