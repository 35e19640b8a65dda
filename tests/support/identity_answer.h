#pragma once
// Identity answers as a bootloader sends them, built field by field, for tests that decode
// them or play the device. Header only.

#include "datafiles/abytes.h"

#include <cstdint>
#include <string>

namespace zev::test {

// The fields in the device's own units: word addresses, the highest EEPROM address, BCD dates.
struct TIdentityFields {
    std::uint16_t BootVersion = 0x0102;
    std::uint16_t BootType = 0x001A;
    std::uint8_t PlateIzm = 2;
    std::uint8_t Ispolnenie = 7;
    std::uint8_t Year = 0x17, Month = 0x09;
    std::uint16_t InfWord = 0x0200;
    std::uint16_t MaxWord = 0x3FFF;
    std::uint16_t BlockWords = 64;
    std::uint16_t EepromHigh = 511;
    std::uint32_t ID = 0x01020304;
    std::uint16_t EndProg = 0x3DFF;
    std::uint16_t CSProg = 0x0946;
    std::uint16_t VerProg = 0x0105;
    std::uint16_t BootTypeP = 0x001A;
    std::uint8_t PlateIzmP = 2;
    std::uint8_t IspolnenieP = 7;
    std::uint8_t YearP = 0x18, MonthP = 0x12;
    std::string Name = std::string("PUMP-01\0\0\0", 10);
    std::uint8_t OddFill = 0xA5; // the unused high bytes of the identifier and name units
};

// The 56-byte data field.
inline ABytes IdentityData(const TIdentityFields& f) {
    ABytes d(56, 0);
    const auto put16 = [&](std::size_t k, std::uint16_t v) {
        d[k] = static_cast<std::uint8_t>(v & 0xFF);
        d[k + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    put16(0, f.BootVersion);
    put16(2, f.BootType);
    d[4] = f.PlateIzm;
    d[5] = f.Ispolnenie;
    d[6] = f.Year;
    d[7] = f.Month;
    put16(8, f.InfWord);
    put16(10, f.MaxWord);
    put16(12, f.BlockWords);
    put16(14, f.EepromHigh);
    for (int k = 0; k < 4; ++k) {
        d[16 + 2 * k] = static_cast<std::uint8_t>(f.ID >> (8 * (3 - k)));
        d[17 + 2 * k] = f.OddFill;
    }
    put16(24, f.EndProg);
    put16(26, f.CSProg);
    put16(28, f.VerProg);
    put16(30, f.BootTypeP);
    d[32] = f.PlateIzmP;
    d[33] = f.IspolnenieP;
    d[34] = f.YearP;
    d[35] = f.MonthP;
    for (std::size_t k = 0; k < 10; ++k) {
        d[36 + 2 * k] = k < f.Name.size() ? static_cast<std::uint8_t>(f.Name[k]) : 0;
        d[37 + 2 * k] = f.OddFill;
    }
    return d;
}

// The whole 59-byte answer frame: F0, 56, the data, a final byte.
inline ABytes IdentityAnswer(const TIdentityFields& f = {}, std::uint8_t finalByte = 0x5A) {
    ABytes answer = ABytesFromBytes({0xF0, 56});
    answer = ABytesConcat(answer, IdentityData(f));
    answer.push_back(finalByte);
    return answer;
}

} // namespace zev::test
