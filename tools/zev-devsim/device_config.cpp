#include "tools/zev-devsim/device_config.h"

#include "core/error.h"
#include "tools/zev-devsim/values.h"

namespace zev::devsim {

namespace {

std::uint16_t U16(const std::string& v) {
    return static_cast<std::uint16_t>(ParseNumber(v, 0, 0xFFFF));
}
std::uint8_t U8(const std::string& v) {
    return static_cast<std::uint8_t>(ParseNumber(v, 0, 0xFF));
}

void ApplyKnown(TDeviceConfig& c, const std::string& key, const std::string& v) {
    TBootIdentity& b = c.Boot;
    TProgramFields& p = c.Program;
    if (key == "link")
        c.Link = Trim(v);
    else if (key == "flash-image")
        c.FlashImage = Trim(v);
    else if (key == "eeprom-image")
        c.EepromImage = Trim(v);
    else if (key == "timing")
        c.Timing.Paced = ParseTiming(v);
    else if (key == "baud")
        c.Timing.Baud = static_cast<std::uint32_t>(ParseNumber(v, 300, 4000000));
    else if (key == "identity-ms")
        c.Timing.IdentityMs = ParseMs(v);
    else if (key == "flash-ms")
        c.Timing.FlashMs = ParseMs(v);
    else if (key == "eeprom-ms")
        c.Timing.EepromMs = ParseMs(v);
    else if (key == "reset-ms")
        c.Timing.ResetMs = ParseMs(v);
    else if (key == "gap-ms")
        c.Timing.GapMs = ParseMs(v);
    else if (key == "fault")
        c.Faults.push_back(ParseFault(v));
    else if (key == "dbootversion")
        b.BootVersion = U16(v);
    else if (key == "dboottype")
        b.BootType = U16(v);
    else if (key == "dispolnenie")
        b.Ispolnenie = U8(v);
    else if (key == "dplateizm")
        b.PlateIzm = U8(v);
    else if (key == "ddate")
        b.Date = ParseBcdDate(v);
    else if (key == "dadressinf") {
        b.AdressInf = U16(v);
        if (b.AdressInf % 2 != 0) Raise("must be even: the device sends a word address");
    } else if (key == "dadressmax") {
        b.AdressMax = U16(v);
        if (b.AdressMax % 2 != 1) Raise("must be odd: the last byte of the last word");
    } else if (key == "dblockwrite") {
        b.BlockWrite = U16(v);
        if (b.BlockWrite % 2 != 0) Raise("must be even: the device sends a word count");
    } else if (key == "deeprommax")
        b.EepromMax = static_cast<std::uint32_t>(ParseNumber(v, 1, 65536));
    else if (key == "did")
        b.ID = static_cast<std::uint32_t>(ParseNumber(v, 0, 0xFFFFFFFF));
    else if (key == "deewrite")
        Raise("dEEWrite is not sent by the device; the host always takes 16");
    else if (key == "dendprog")
        p.EndProg = U16(v);
    else if (key == "dcsprog")
        p.CSProg = U16(v);
    else if (key == "dverprog")
        p.VerProg = ParseVersion(v);
    else if (key == "dboottypep")
        p.BootTypeP = U16(v);
    else if (key == "dispolneniep")
        p.IspolnenieP = U8(v);
    else if (key == "dplateizmp")
        p.PlateIzmP = U8(v);
    else if (key == "ddateprog")
        p.DateProg = ParseBcdDate(v);
    else if (key == "dname")
        p.Name = ParseName(v);
    else
        Raise("unknown key (see --help for the keys)");
}

} // namespace

void ApplyKey(TDeviceConfig& pConfig, const std::string& pKey, const std::string& pValue) {
    const std::string key = Lower(Trim(pKey));
    try {
        ApplyKnown(pConfig, key, pValue);
    } catch (const Error& e) {
        Raise("'" + Trim(pKey) + "': " + e.what());
    }
}

const char* DeviceKeysHelp() {
    return R"(Device keys (config file lines KEY = VALUE, or --set KEY=VALUE; not case-sensitive).
Numbers are decimal or 0x hexadecimal.

  Bootloader identity (the host's units; the device sends word addresses and counts):
    dBootVersion  bootloader version               default 0x0102
    dBootType     device type                      default 0x001A
    dIspolnenie   variant                          default 1
    dPlateIzm     board revision                   default 1
    dDate         bootloader date, 2017-09 or raw:YYMM (two BCD bytes sent as given)
                                                   default 2017-09
    dAdressInf    byte address of the information record in flash, even   default 0x0400
    dAdressMax    highest flash byte address, odd  default 0xFFFF
    dBlockWrite   flash write block in bytes, even default 128
    dEepromMax    EEPROM size in bytes (sent less one)                   default 256
    dID           identifier, 32 bits              default: the device's number
    (dEEWrite is not sent by the device: the host always takes 16.)

  Installed program: written into the information record in flash at start; after every reset
  the device reads these fields back from that record, so writing a new record and resetting
  changes what the identity shows:
    dEndProg      end of program (record EP)       dCSProg     checksum (CS)
    dVerProg      version, 1.05 or 0x0105 (VP)     dBootTypeP  device type (TD)
    dIspolnenieP  variant (IP)                     dPlateIzmP  board revision (IZ)
    dDateProg     date, 2017-09 or raw:YYMM (DT)   dName       name, up to 10 characters,
                                                               sent in Windows-1251 (TX)
  Unset fields keep what the flash image holds there (erased flash reads 0xFF).
  Defaults when neither is given: dVerProg 1.00, dBootTypeP 0x001A, dIspolnenieP 1,
  dPlateIzmP 1, dDateProg 2017-09, dName ZEV-DEV, dEndProg and dCSProg 0.

  Memory (64 KiB flash and 256 bytes of EEPROM, erased to 0xFF):
    flash-image   binary file loaded into flash from address 0 (at most 65536 bytes)
    eeprom-image  binary file loaded into EEPROM from address 0 (at most 256 bytes)

  Timing:
    timing        instant (answer at once) or paced (a serial line: bytes arrive and
                  leave at baud/10 per second, plus the device's own times)   default instant
    baud          line speed for paced timing      default 19200
    identity-ms   time to prepare the identity answer                         default 1
    flash-ms      time to write one flash line                                default 5
    eeprom-ms     time to write one EEPROM line                               default 100
    reset-ms      time before the reset is answered                           default 20
    gap-ms        a frame left incomplete this long is dropped                default 50

  Exposure:
    link          also make a symbolic link to the port, e.g. /dev/ttyUSB90 or any folder;
                  with count, it must contain %d (or %.2d ...) for the device's number

  Faults (repeat the key for several):
    fault         KIND [COMMAND] [n=N|every=K|first=N|after=K] [addr=A] [len=L] [bytes=B]
)";
}

} // namespace zev::devsim
