#pragma once
// Lines, identities and checks shared by the programming worker's tests.

#include "bootloader/prog_worker.h"
#include "support/devsim_fixture.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

namespace zev::test {

// A line of n patterned bytes at address pA.
inline TLormanBootLoaderDataLine Line(std::uint16_t pA, std::size_t n, std::uint8_t pSeed) {
    TLormanBootLoaderDataLine line;
    line.A = pA;
    for (std::size_t k = 0; k < n; ++k) line.D.push_back(static_cast<std::uint8_t>(pSeed + 13 * k));
    return line;
}

inline PLormanBootLoaderDataLines Lines(std::initializer_list<TLormanBootLoaderDataLine> pLines) {
    return std::make_shared<const ALormanBootLoaderDataLines>(pLines);
}

// A small image: three flash lines (one at the information record) and one EEPROM line.
inline PLormanBootLoaderDataLines TinyFlash() {
    return Lines({Line(0x0400, 64, 1), Line(0x0440, 64, 2), Line(0x7FC0, 64, 3)});
}
inline PLormanBootLoaderDataLines TinyEeprom() {
    return Lines({Line(0x00E0, 32, 4)});
}

// The identity a search would have found on a simulated device with these keys (the fields
// the worker compares; the simulator's defaults for the others).
inline TLormanBootLoaderDevID Found(std::int64_t pID, std::uint16_t pTypeP = 0x001A,
                                    std::uint8_t pIspP = 1, std::uint8_t pIzmP = 1) {
    TLormanBootLoaderDevID id;
    id.dID = pID;
    id.dBootTypeP = pTypeP;
    id.dIspolnenieP = pIspP;
    id.dPlateIzmP = pIzmP;
    return id;
}

// The simulator's options of a device that Found(pID) describes.
inline std::vector<std::string>
SimTarget(const std::string& pName, std::int64_t pID,
          std::vector<std::pair<std::string, std::string>> pKeys = {}) {
    pKeys.insert(pKeys.begin(), {"dID", std::to_string(pID)});
    return SimDevice(pName, pKeys);
}

// The device's memory holds every line, and the requests wrote them in order, flash first.
inline void ExpectWritten(const TSimDeviceDump& pDump, const ALormanBootLoaderDataLines& pFlash,
                          const ALormanBootLoaderDataLines& pEeprom) {
    for (const TLormanBootLoaderDataLine& line : pFlash)
        EXPECT_EQ(pDump.FlashAt(line.A, line.D.size()), line.D) << "flash " << line.ToString();
    for (const TLormanBootLoaderDataLine& line : pEeprom)
        EXPECT_EQ(pDump.EepromAt(line.A, line.D.size()), line.D) << "EEPROM " << line.ToString();
    const std::vector<TSimRequest> f = pDump.OfKind('F');
    const std::vector<TSimRequest> e = pDump.OfKind('E');
    ASSERT_EQ(f.size(), pFlash.size());
    ASSERT_EQ(e.size(), pEeprom.size());
    for (std::size_t k = 0; k < f.size(); ++k) {
        EXPECT_EQ(f[k].Address, pFlash[k].A);
        EXPECT_EQ(f[k].Data, pFlash[k].D);
    }
    for (std::size_t k = 0; k < e.size(); ++k) {
        EXPECT_EQ(e[k].Address, pEeprom[k].A);
        EXPECT_EQ(e[k].Data, pEeprom[k].D);
    }
}

} // namespace zev::test
