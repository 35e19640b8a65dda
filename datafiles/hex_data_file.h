#pragma once
// THexDataFile: a device memory image as one byte buffer plus a list of blocks, each saying at
// which device address a stretch of the buffer belongs. Filled from the binary block container
// (BytesFrom) or from Intel HEX text (Load), written back as the block container (BytesTo).
//
// Block container, all integers little-endian:
//   u16 N, then N times {u32 A, u32 I, u32 L}, then the data (every remaining byte).

#include "datafiles/abytes.h"
#include "datafiles/data_file.h"
#include "datafiles/hex_rec.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zev {

// A's value while the Intel HEX reader has opened a block but not yet given it data.
inline constexpr std::uint32_t kBlockAddressUnset = 0xFFFFFFFF;

struct TDataBlock {
    std::uint32_t A = 0; // device address of the block's first byte
    std::uint32_t I = 0; // index in Data of the block's first byte
    std::uint32_t L = 0; // number of bytes of the block

    bool operator==(const TDataBlock&) const = default;
};

using ADataBlocks = std::vector<TDataBlock>;

// The bytes of a block: Data[I .. I + L - 1] clipped to the buffer, and at most maxCount of them.
ABytes BlockBytes(const ABytes& data, const TDataBlock& block, std::uint32_t maxCount = 0xFFFFFFFF);

// What the Intel HEX reader does with each line, for callers that want to judge a file rather
// than take what the reader keeps (the package tool refuses files that would lose data).
enum class THexLineSkip {
    ShortLine,         // fewer than 11 characters after trimming (blank lines included)
    BadRecord,         // the line does not parse; detail holds the code
    AboveLimit,        // data record above the EEPROM limit, dropped
    BelowBlock,        // data record below its block's first address, dropped
    ShortAddress,      // address record with fewer than two data bytes, ignored
    BufferLimit,       // data record that would grow the buffer past kHexBufferLimit, dropped
    AddressAboveLimit, // address record whose base lies above the EEPROM limit: opens no block
    OtherType,         // record type 3, 5 or any other: ignored
};

class THexReadObserver {
public:
    virtual ~THexReadObserver() = default;
    // A data record kept: its block's index in the list, its device address and length.
    virtual void OnData(std::size_t line, std::size_t block, std::uint32_t address,
                        std::size_t length) = 0;
    // An address record that opened a new block.
    virtual void OnBlock(std::size_t line, std::size_t block, std::uint32_t base) = 0;
    // A line that changed nothing.
    virtual void OnSkip(std::size_t line, THexLineSkip why, const std::string& text,
                        const std::string& detail) = 0;
    // Reading ended: at the end-of-file record (its line) or at the end of the text (line 0).
    virtual void OnEnd(std::size_t eofLine) = 0;
};

// The largest buffer the Intel HEX reader builds; a data record that would grow it further is
// dropped. Device memories of this system are far smaller.
inline constexpr std::size_t kHexBufferLimit = 16u << 20;

// Lines longer than this are not collected whole; they cannot be records and are skipped.
inline constexpr std::size_t kHexLineLimit = 64u << 10;

class THexDataFile : public TCustomDataFile {
public:
    const ADataBlocks& Blocks() const { return FBlocks; }
    std::uint32_t Flash() const { return FFlashLimit; }
    std::uint32_t EEPROM() const { return FEepromLimit; }

    void SetInfo(std::uint32_t pFlash, std::uint32_t pEeprom);

    // Replaces the block list and Data with the container D. Raises "0x0301" when D has fewer
    // than 2 bytes and "0x0302" when it is shorter than its block table; the object is then
    // unchanged. The limits are not touched.
    void BytesFrom(const ABytes& D);

    // The block container of the block list (its count's low 16 bits) and Data.
    ABytes BytesTo() const;

    // Receives the Intel HEX reader's account of every line while Load runs; not owned.
    void SetObserver(THexReadObserver* observer) { FObserver = observer; }

protected:
    // The Intel HEX reader. It never fails because of the text: bad lines are skipped.
    void LoadStream(std::istream& stream, ABytes& data) override;
    void SaveStream(std::ostream& stream, const ABytes& data) override;

    std::string FErrors;
    ADataBlocks FBlocks;
    std::uint32_t FFlashLimit = 0;
    std::uint32_t FEepromLimit = 0;
    THexReadObserver* FObserver = nullptr;
};

} // namespace zev
