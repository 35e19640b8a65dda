#pragma once
// The codes the data layer raises (zev::Error with exactly this message).

namespace zev {

inline constexpr const char* kErrContainerShort = "0x0301";  // fewer than 2 bytes, or no package
inline constexpr const char* kErrBlockTableShort = "0x0302"; // shorter than its block table
inline constexpr const char* kErrNoData = "0x0303";          // the package holds no data bytes
inline constexpr const char* kErrChecksum = "0x0304";        // image checksum differs from CS
inline constexpr const char* kErrNoInfoRecord = "0x0306";    // no flash block of 32 bytes
inline constexpr const char* kErrEepromOdd = "0x0307";       // EEPROM block of odd length
inline constexpr const char* kErrHexChecksum = "0x0308";     // record bytes do not sum to 0
inline constexpr const char* kErrHexShortRecord = "0x0309";  // fewer bytes than the count asks
inline constexpr const char* kErrHexShortLine = "0x030A";    // line of fewer than 11 characters
inline constexpr const char* kErrNoFile = "0x0310";          // no file of that name
// The package check's last refusals: images the bootloader would take wrongly.
inline constexpr const char* kErrEepromTooLarge = "0x0311";  // over 256 bytes: one-byte address
inline constexpr const char* kErrFlashWraps = "0x0312";      // flash lines run past 0xFFFF
inline constexpr const char* kErrEpNotWritten = "0x0313";    // EP's word is in no flash line
inline constexpr const char* kErrHexBadCharacter = "0x0401"; // not a hexadecimal digit

} // namespace zev
