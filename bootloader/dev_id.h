#pragma once
// TLormanBootLoaderDevID: the device identity as the bootloader reports it, and the port it was
// found on. The identity answer's data field D (the answer without its two header bytes):
//
//   0 boot version (16)   2 device type (16)    4 board revision      5 variant
//   6 year, BCD           7 month, BCD          8 info block word address (16)
//  10 highest flash word address (16)           12 flash write block in words (16)
//  14 highest EEPROM address (16)               16 identifier: four 16-bit units, most
//                                                  significant first, low byte of each used
//  24 end of program (16)  26 program checksum (16)  28 program version (16)
//  30 program device type (16)  32 program board revision  33 program variant
//  34 program year, BCD    35 program month, BCD 36 name: ten 16-bit units, low byte used
//
// 16-bit values are little-endian. A full answer is 59 bytes (56 data bytes).

#include "bootloader/dev_date.h"
#include "datafiles/abytes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zev {

struct TLormanBootLoaderDevID {
    std::uint16_t dBootVersion = 0;
    std::uint16_t dBootType = 0;
    std::uint8_t dIspolnenie = 0;
    std::uint8_t dPlateIzm = 0;
    TDevDateTime dDate;
    std::uint16_t dAdressInf = 0;  // byte address of the information block
    std::uint16_t dAdressMax = 0;  // highest flash byte address
    std::uint16_t dBlockWrite = 0; // flash write block, bytes
    std::uint16_t dEepromMax = 0;  // EEPROM size, bytes
    std::uint16_t dEEWrite = 0;    // EEPROM write block, bytes (always 16)
    std::uint16_t dEndProg = 0;
    std::uint16_t dCSProg = 0;
    std::uint16_t dVerProg = 0; // high byte major, low byte minor
    std::uint16_t dBootTypeP = 0;
    std::uint8_t dIspolnenieP = 0;
    std::uint8_t dPlateIzmP = 0;
    TDevDateTime dDateProg;
    std::int64_t dID = 0;
    std::string dName; // the 10 name bytes as sent (Windows-1251), zero bytes included

    // Seven lines "Name:", "Type:", "Isp:", "Izm:", "Version:", "ID:", "CheckSumm:", each label
    // padded to 15 characters, joined by CR LF (none after the last).
    std::string ToString() const;

    bool operator==(const TLormanBootLoaderDevID&) const = default;
};

// Decodes an identity answer (header, data, final byte, as received). Raises "0x0104" when it
// has fewer than 50 bytes. Nothing past the answer is read: field bytes beyond its end count
// as 0. A date that is not a valid BCD year and month is the current local date and time.
TLormanBootLoaderDevID DecodeDevID(const ABytes& pAnswer);

// True when two identities name the same device with the same installed program type:
// identifier, program device type, program variant and program board revision.
bool SameDevice(const TLormanBootLoaderDevID& pA, const TLormanBootLoaderDevID& pB);

// A port and the identity found on it.
struct TLormanBootLoaderDevIDInfo {
    std::string Port;
    TLormanBootLoaderDevID DevID;
};

using ALormanBootLoaderDevsIDInfo = std::vector<TLormanBootLoaderDevIDInfo>;

} // namespace zev
