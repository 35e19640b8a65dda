// The Intel HEX reader of THexDataFile. Each address record within the EEPROM limit opens a new
// block; the blocks lie back to back in the buffer in the order read, and a block's address is
// that of its first data record. Records are expected in rising address order within a block: a
// record below the end of an earlier one shortens the buffer to its own end (the observer lets a
// caller refuse such files). The reader never fails because of the text; bad lines are skipped.

#include "core/error.h"
#include "core/text.h"
#include "datafiles/hex_data_file.h"

#include <array>
#include <istream>
#include <optional>

namespace zev {

namespace {

// The record interpreter: one call per line, in order.
class HexBuilder {
public:
    HexBuilder(std::uint32_t eepromLimit, THexReadObserver* observer)
        : FLimit(eepromLimit), FObserver(observer) {}

    // Returns false once the end-of-file record has been read.
    bool Line(std::size_t number, const std::string& raw, bool overlong) {
        const std::string line = Trim(raw);
        if (overlong) {
            Skip(number, THexLineSkip::BadRecord, line, "line too long");
            return true;
        }
        if (line.size() < 11) {
            Skip(number, THexLineSkip::ShortLine, line, "");
            return true;
        }
        THexRec rec;
        try {
            rec = THexRec::FromText(line);
        } catch (const Error& e) {
            Skip(number, THexLineSkip::BadRecord, line, e.what());
            return true;
        }
        switch (rec.T) {
        case 0:
            Data(number, line, rec);
            return true;
        case 1:
            EndOfFile(number);
            return false;
        case 2:
        case 4:
            Address(number, line, rec);
            return true;
        default:
            Skip(number, THexLineSkip::OtherType, line, "");
            return true;
        }
    }

    void Finish(std::size_t eofLine) {
        if (FObserver) FObserver->OnEnd(eofLine);
    }

    ABytes buffer;
    ADataBlocks blocks;

private:
    void Skip(std::size_t number, THexLineSkip why, const std::string& line,
              const std::string& detail) {
        if (FObserver) FObserver->OnSkip(number, why, line, detail);
    }

    void Data(std::size_t number, const std::string& line, const THexRec& rec) {
        const std::uint32_t address = rec.A + FBase;
        if (address > FLimit) {
            Skip(number, THexLineSkip::AboveLimit, line, "");
            return;
        }
        if (!FCurrent) {
            blocks.push_back({kBlockAddressUnset, 0, 0});
            FCurrent = blocks.size() - 1;
        }
        TDataBlock& block = blocks[*FCurrent];
        if (block.A == kBlockAddressUnset) block.A = address;
        // A record below its block's first address has no place in the block.
        if (address < block.A) {
            Skip(number, THexLineSkip::BelowBlock, line, "");
            return;
        }
        const std::uint64_t at = std::uint64_t{block.I} + (address - block.A);
        const std::uint64_t end = at + rec.L;
        if (end > kHexBufferLimit) {
            Skip(number, THexLineSkip::BufferLimit, line, "");
            return;
        }
        buffer.resize(static_cast<std::size_t>(end), 0x00);
        std::copy(rec.D.begin(), rec.D.end(), buffer.begin() + static_cast<std::ptrdiff_t>(at));
        if (FObserver) FObserver->OnData(number, *FCurrent, address, rec.L);
    }

    void EndOfFile(std::size_t number) {
        if (FCurrent) CloseCurrent();
        Finish(number);
    }

    void Address(std::size_t number, const std::string& line, const THexRec& rec) {
        if (rec.D.size() < 2) {
            Skip(number, THexLineSkip::ShortAddress, line, "");
            return;
        }
        const std::uint32_t value = rec.D[0] * 256u + rec.D[1];
        FBase = value << (rec.T * rec.T);
        if (FBase > FLimit) {
            Skip(number, THexLineSkip::AddressAboveLimit, line, "");
            return;
        }
        const auto start = static_cast<std::uint32_t>(buffer.size());
        if (FCurrent) blocks[*FCurrent].L = start - blocks[*FCurrent].I;
        blocks.push_back({kBlockAddressUnset, start, 0});
        FCurrent = blocks.size() - 1;
        if (FObserver) FObserver->OnBlock(number, *FCurrent, FBase);
    }

    void CloseCurrent() {
        TDataBlock& block = blocks[*FCurrent];
        block.L = static_cast<std::uint32_t>(buffer.size()) - block.I;
    }

    std::uint32_t FLimit;
    THexReadObserver* FObserver;
    std::uint32_t FBase = 0;
    std::optional<std::size_t> FCurrent;
};

} // namespace

void THexDataFile::LoadStream(std::istream& stream, ABytes& data) {
    FErrors.clear();
    HexBuilder builder(FEepromLimit, FObserver);

    // Split into lines (CR LF, LF or CR end a line) while reading, a chunk at a time.
    std::array<char, 1 << 16> chunk;
    std::string line;
    bool overlong = false;
    bool afterCR = false;
    std::size_t number = 1;
    bool reading = true;
    while (reading && stream) {
        stream.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(stream.gcount());
        if (stream.bad()) Raise("Cannot read the Intel HEX text");
        for (std::size_t k = 0; k < got && reading; ++k) {
            const char c = chunk[k];
            if (c == '\n' && afterCR) {
                afterCR = false;
                continue;
            }
            afterCR = c == '\r';
            if (c == '\r' || c == '\n') {
                reading = builder.Line(number++, line, overlong);
                line.clear();
                overlong = false;
            } else if (line.size() < kHexLineLimit) {
                line += c;
            } else {
                overlong = true;
            }
        }
        if (got == 0) break;
    }
    if (reading) {
        if (!line.empty() || overlong) reading = builder.Line(number, line, overlong);
        if (reading) builder.Finish(0);
    }
    data = std::move(builder.buffer);
    FBlocks = std::move(builder.blocks);
}

} // namespace zev
