#pragma once
// TLormanBootLoaderHexDataFile: the block image made for the devices' bootloader. It reads the
// information record at the start of the flash block, computes the image checksum, and cuts the
// flash and EEPROM blocks into the data lines written to a device one by one.
//
// Which block is which (unsigned comparisons, first match in list order): the flash block has
// its address below the Flash limit, the EEPROM block above it; one at the limit is neither.
// Flash is 16-bit little-endian words; the EEPROM image holds one byte in the low byte of each
// word.

#include "datafiles/hex_data_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zev {

// The information record: the first 32 bytes of the flash block.
//   0 EP, 2 CS, 4 VP, 6 TD (words), 8 IZ, 9 IP (bytes), 10 DT (word),
//   12..31 TX: ten words, one character in the low byte of each.
struct TLormanBootLoaderInfo {
    std::string TX;       // device name, 8-bit (Windows-1251): the non-zero low bytes in order
    std::uint32_t ID = 0; // not in the image
    std::uint16_t EP = 0; // word address of the last program word (the checksum's end)
    std::uint16_t CS = 0; // the checksum the image states
    std::uint16_t VP = 0; // program version, high byte . low byte
    std::uint16_t TD = 0; // device type
    std::uint16_t DT = 0; // carried along
    std::uint8_t IP = 0;  // variant
    std::uint8_t IZ = 0;  // board revision
    std::int32_t BL = 0;  // index in Blocks of the flash block

    bool operator==(const TLormanBootLoaderInfo&) const = default;
};

inline constexpr std::size_t kInfoRecordSize = 32;
inline constexpr std::size_t kFlashLineSize = 64;
inline constexpr std::size_t kEepromLineSize = 32;

struct TLormanBootLoaderDataLine {
    std::uint16_t A = 0; // flash: byte address modulo 65536; EEPROM: byte offset from 0
    ABytes D;            // 64 bytes for flash; 32 for EEPROM, the last one maybe fewer

    // "AAAA:" and the bytes as upper-case hexadecimal pairs: 0400:0102.
    std::string ToString() const;

    bool operator==(const TLormanBootLoaderDataLine&) const = default;
};

using ALormanBootLoaderDataLines = std::vector<TLormanBootLoaderDataLine>;

class TLormanBootLoaderHexDataFile : public THexDataFile {
public:
    // The record, read anew on every call. Raises "0x0306" when there is no flash block or the
    // block holds fewer than 32 bytes: the block's own length bounds the record, so a block of
    // 31 bytes fails even when more data follows it in Data.
    TLormanBootLoaderInfo BootLoaderInfo() const;

    // The 14-bit two's complement of the sum of the words from index 2 up to the word at EP,
    // counted from the first byte of Data, with EP taken relative to the first block's word
    // address. Reads BootLoaderInfo first and raises as it does.
    //
    // When the words up to EP do not all lie inside Data, nothing is read past the buffer: the
    // result is then the bitwise complement of the record's CS, a value that never equals CS, so
    // the start-up check of such an image ends in "0x0304". CheckSummInData tells the two apart.
    std::uint16_t CheckSumm() const;

    // True when every word the checksum covers lies inside Data. Raises as BootLoaderInfo.
    bool CheckSummInData() const;

    // The flash block's whole 64-byte lines; a shorter tail is not part of any line. No flash
    // block gives no lines.
    ALormanBootLoaderDataLines GetFlash() const;

    // The EEPROM bytes (even offsets of the EEPROM block) in lines of 32, addressed from 0.
    // Raises "0x0307" when the block has an odd number of bytes. No EEPROM block gives no lines.
    ALormanBootLoaderDataLines GetEEPROM() const;

    // The index of the flash or EEPROM block in Blocks, if there is one.
    std::optional<std::size_t> FlashBlock() const;
    std::optional<std::size_t> EepromBlock() const;
};

} // namespace zev
