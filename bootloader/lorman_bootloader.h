#pragma once
// TLormanBootLoader: the host side of the devices' serial bootloader. Each command is one
// request/answer session of the port controller: the command and its data go out as one
// request frame, and the session reads until the bytes received form a complete answer frame.
// A command that gets no complete answer raises the frame check's code ("0x0100" .. "0x0103").
//
// One object lives inside one worker: created, given its session profile, opened, set up, used
// for commands in sequence, closed. It keeps no protocol state between commands.

#include "bootloader/dev_id.h"
#include "comport/port_ctrl.h"

#include <cstdint>

namespace zev {

class TLormanBootLoader : public TCustomComPortCtrl {
public:
    using TCustomComPortCtrl::Session;

    // Sends the request frame for pCmd and pData and returns the answer exactly as received
    // (header, data, final byte and anything after). An answer is always required, whatever
    // NeedAnswer says; sp null means the controller's own SessionParam.
    ABytes Session(std::uint8_t Cmd, const ABytes& Data, PSessionParams sp, bool NeedAnswer);

    // The frame check: Complite when Recive holds a complete answer frame, else the code.
    void CheckRecivedData(const ABytes& Send, const ABytes& Recive, bool& Complite) override;

    // Reads and decodes the identity; "0x0104" when the answer has fewer than 50 bytes.
    TLormanBootLoaderDevID DeviceID();
    // Writes one EEPROM line at the byte address Adr.
    void EEPROM(std::uint8_t Adr, const ABytes& Data);
    // Writes one flash line at the byte address Adr (the frame carries the word address).
    void Flash(std::uint16_t Adr, const ABytes& Data);
    // Restarts the device; it still has to answer.
    void Reset();
};

} // namespace zev
