#include "bootloader/lorman_bootloader.h"

#include "bootloader/boot_codes.h"
#include "bootloader/boot_frame.h"

namespace zev {

ABytes TLormanBootLoader::Session(std::uint8_t Cmd, const ABytes& Data, PSessionParams sp,
                                  bool /*NeedAnswer*/) {
    return TCustomComPortCtrl::Session(BootRequestFrame(Cmd, Data), sp, true);
}

void TLormanBootLoader::CheckRecivedData(const ABytes& /*Send*/, const ABytes& Recive,
                                         bool& Complite) {
    BootCheckAnswer(Recive, Complite);
}

TLormanBootLoaderDevID TLormanBootLoader::DeviceID() {
    return DecodeDevID(Session(kBootCmdDeviceID, {}, nullptr, true));
}

void TLormanBootLoader::EEPROM(std::uint8_t Adr, const ABytes& Data) {
    Session(kBootCmdEEPROM, ABytesConcat(ABytesFromBytes({Adr}), Data), nullptr, true);
}

void TLormanBootLoader::Flash(std::uint16_t Adr, const ABytes& Data) {
    const auto word = static_cast<std::uint16_t>(Adr >> 1);
    Session(kBootCmdFlash, ABytesConcat(ABytesFromWords({word}), Data), nullptr, true);
}

void TLormanBootLoader::Reset() {
    Session(kBootCmdReset, {}, nullptr, true);
}

} // namespace zev
