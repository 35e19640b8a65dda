#pragma once
// What the window flow tests share: a small package, devices that fit it, and the check that a
// device holds the package.

#include "datafiles/package_builder.h"
#include "support/app_window.h"
#include "support/devsim_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace zev::test {

using TKeys = std::vector<std::pair<std::string, std::string>>;

// ZEV-DEMO 1.05, type 0x0042, variant 1, board revision 2, in flashLines 64-byte flash lines and
// one 32-byte EEPROM line.
inline TDemoFirmware SmallFirmware(std::uint32_t flashLines = 10) {
    TDemoFirmware demo;
    demo.flashSize = 64 * flashLines;
    demo.eepromSize = 64;
    return demo;
}

// A device whose installed program the package fits, at the given version, plus extra keys.
inline std::vector<std::string> FittingDevice(const std::string& pName, const std::string& pVersion,
                                              const std::string& pId, TKeys pExtra = {}) {
    TKeys keys = {{"dBootTypeP", "0x0042"}, {"dIspolnenieP", "1"}, {"dPlateIzmP", "2"},
                  {"dVerProg", pVersion},   {"dID", pId},          {"dName", pName}};
    keys.insert(keys.end(), pExtra.begin(), pExtra.end());
    return SimDevice(pName, keys);
}

// The device's flash and EEPROM hold the package, and it was reset once, after the last line.
inline void ExpectHoldsPackage(const TSimDeviceDump& pDump, const TDemoFirmware& pDemo) {
    const ABytes flash = MakeDemoFlash(pDemo);
    EXPECT_EQ(pDump.FlashAt(pDemo.flashAddress, flash.size()), flash);
    const ABytes eepromBlock = MakeDemoEeprom(pDemo);
    ABytes eeprom;
    for (std::size_t k = 0; k < eepromBlock.size(); k += 2) eeprom.push_back(eepromBlock[k]);
    EXPECT_EQ(pDump.EepromAt(0, eeprom.size()), eeprom);
    EXPECT_EQ(pDump.Count('R'), 1u);
    const std::string kinds = pDump.Kinds();
    EXPECT_EQ(kinds.back(), 'R') << kinds;
}

} // namespace zev::test
