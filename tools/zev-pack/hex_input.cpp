#include "tools/zev-pack/hex_input.h"

#include "core/error.h"
#include "core/format.h"
#include "datafiles/bootloader_image.h"
#include "datafiles/hex_data_file.h"
#include "datafiles/package_check.h"
#include "tools/zev-pack/file_io.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <sstream>

namespace zev::pack {

namespace {

constexpr std::size_t kMaxReported = 20;

std::string Hex(std::uint64_t value) {
    return Format("0x%x", {value});
}

// Watches the reader line by line and notes every line whose contents would not arrive.
class LineJudge : public THexReadObserver {
public:
    explicit LineJudge(std::string file) : FFile(std::move(file)) {}

    void OnData(std::size_t line, std::size_t block, std::uint32_t address,
                std::size_t length) override {
        const std::uint64_t end = std::uint64_t{address} + length;
        auto found = FLast.find(block);
        if (found != FLast.end()) {
            const Record& prev = found->second;
            if (address < prev.address)
                Problem(line, "data record at " + Hex(address) + " goes backwards: it follows " +
                                  "the record at " + Hex(prev.address) + " (line " +
                                  std::to_string(prev.line) +
                                  ") in the same block, and the reader would keep only the tail");
            else if (address < prev.end)
                Problem(line, "data record at " + Hex(address) + ".." + Hex(end ? end - 1 : 0) +
                                  " overlaps the record at " + Hex(prev.address) + ".." +
                                  Hex(prev.end - 1) + " (line " + std::to_string(prev.line) +
                                  "), and the reader would keep only the tail");
        }
        FLast[block] = {line, address, end};
        records.push_back({line, block, address, length});
    }

    void OnBlock(std::size_t, std::size_t, std::uint32_t base) override { FBase = base; }

    void OnSkip(std::size_t line, THexLineSkip why, const std::string& text,
                const std::string& detail) override {
        switch (why) {
        case THexLineSkip::ShortLine:
            if (!text.empty()) Problem(line, "too short for a record: \"" + text + "\"");
            break;
        case THexLineSkip::BadRecord:
            Problem(line, "not a valid record (" + Reason(detail) + ")");
            break;
        case THexLineSkip::AboveLimit:
            Problem(line, "data lies above the EEPROM limit " + Hex(kPackageEepromLimit) +
                              " and would be dropped");
            droppedFrom = std::max(droppedFrom, FBase);
            break;
        case THexLineSkip::BelowBlock:
            Problem(line, "data record goes backwards below the first address of its block and "
                          "would be dropped");
            break;
        case THexLineSkip::ShortAddress:
            Problem(line, "address record with fewer than two data bytes");
            break;
        case THexLineSkip::BufferLimit:
            Problem(line, "data would make the image larger than the reader takes");
            break;
        case THexLineSkip::AddressAboveLimit: {
            const THexRec rec = THexRec::FromText(text); // the reader has parsed it
            FBase = std::uint32_t{rec.D[0] * 256u + rec.D[1]} << (rec.T * rec.T);
            break;
        }
        case THexLineSkip::OtherType:
            break;
        }
    }

    void OnEnd(std::size_t eofLine) override { FEofLine = eofLine; }

    // A data record the reader kept: its line, its block, where it lies and how long it is.
    struct Kept {
        std::size_t line = 0;
        std::size_t block = 0;
        std::uint32_t address = 0;
        std::size_t length = 0;
    };
    std::vector<Kept> records;

    std::vector<std::string> problems;
    std::size_t problemCount = 0;
    std::size_t FEofLine = 0;
    std::uint32_t droppedFrom = 0; // the highest base under which data was dropped

private:
    struct Record {
        std::size_t line = 0;
        std::uint32_t address = 0;
        std::uint64_t end = 0;
    };

    static std::string Reason(const std::string& code) {
        if (code == "0x0308") return "checksum wrong, 0x0308";
        if (code == "0x0309") return "fewer bytes than its count, 0x0309";
        if (code == "0x0401") return "not a hexadecimal digit, 0x0401";
        return code;
    }

    void Problem(std::size_t line, const std::string& text) {
        ++problemCount;
        if (problems.size() < kMaxReported)
            problems.push_back(FFile + ":" + std::to_string(line) + ": " + text);
    }

    std::string FFile;
    std::map<std::size_t, Record> FLast;
    std::uint32_t FBase = 0; // the base of the last address record
};

// Where 16-bit parts (PIC18) keep what is not program memory: user IDs from 0x200000,
// configuration from 0x300000, EEPROM from 0xF00000.
constexpr std::uint32_t kPic18IdAddress = 0x200000;

// The number of the first line after the end-of-file record that holds anything but blanks
// and control characters, or 0.
std::size_t FirstLineAfter(const ABytes& text, std::size_t eofLine) {
    std::size_t line = 1;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char c = static_cast<char>(text[k]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && k + 1 < text.size() && text[k + 1] == '\n') ++k;
            ++line;
        } else if (line > eofLine && static_cast<unsigned char>(c) > 0x20) {
            return line;
        }
    }
    return 0;
}

// The text without a UTF-8 byte-order mark at its start: editors put one there, and the reader
// would take it for the first record's mark and digits.
ABytes WithoutByteOrderMark(ABytes text) {
    static constexpr std::uint8_t kMark[] = {0xEF, 0xBB, 0xBF};
    if (text.size() >= 3 && std::equal(kMark, kMark + 3, text.begin()))
        text.erase(text.begin(), text.begin() + 3);
    return text;
}

// The updater's reader, given text that is already in memory.
class TTextHexFile : public THexDataFile {
public:
    void LoadText(const ABytes& text) {
        std::istringstream stream(std::string(text.begin(), text.end()));
        LoadStream(stream, FData);
    }
};

} // namespace

void ReadHexInput(const std::string& name, THexInput& input) {
    const ABytes text = WithoutByteOrderMark(ReadFileBytes(name)); // refuses what is no file
    TTextHexFile file;
    file.SetInfo(kPackageFlashLimit, kPackageEepromLimit);
    LineJudge judge(name);
    file.SetObserver(&judge);
    file.LoadText(text);

    if (judge.FEofLine == 0)
        judge.problems.push_back(name + ": no end-of-file record: the reader would leave the last "
                                        "block empty");
    else if (const std::size_t after = FirstLineAfter(text, judge.FEofLine))
        judge.problems.push_back(name + ":" + std::to_string(after) +
                                 ": text after the end-of-file record (line " +
                                 std::to_string(judge.FEofLine) +
                                 "): the reader stops at that record and would lose it (files "
                                 "joined into one? give each with its own --hex)");
    if (judge.droppedFrom >= kPic18IdAddress)
        judge.problems.push_back(
            name + ": data from " + Hex(judge.droppedFrom) +
            " on is where 16-bit parts (PIC18) keep user IDs (0x200000), configuration "
            "(0x300000) and EEPROM (0xF00000): their files are not supported");
    if (!judge.problems.empty()) {
        std::string message = "refusing " + name + ", the updater's reader would lose data:";
        for (const auto& problem : judge.problems) message += "\n  " + problem;
        if (judge.problemCount > judge.problems.size())
            message += "\n  ... and " + std::to_string(judge.problemCount - judge.problems.size()) +
                       " more";
        Raise(message);
    }

    // Every kept record's bytes, taken from the reader's buffer; records back to back make one
    // segment. Nothing went backwards or overlapped (refused above), so each record's bytes
    // are still where the reader put them.
    THexSegment* open = nullptr;
    std::size_t openBlock = 0;
    for (const auto& record : judge.records) {
        const TDataBlock& block = file.Blocks()[record.block];
        const std::size_t at = std::size_t{block.I} + (record.address - block.A);
        const auto first = file.Data().begin() + static_cast<std::ptrdiff_t>(at);
        const std::uint64_t openEnd = open ? std::uint64_t{open->address} + open->bytes.size() : 0;
        if (!open || openBlock != record.block || openEnd != record.address) {
            input.segments.push_back(
                {name + ":" + std::to_string(record.line), record.address, ABytes{}});
            open = &input.segments.back();
            openBlock = record.block;
        }
        open->bytes.insert(open->bytes.end(), first,
                           first + static_cast<std::ptrdiff_t>(record.length));
    }
}

namespace {

// One piece of a segment that lies wholly in one kind of memory.
struct Piece {
    const THexSegment* segment = nullptr;
    std::uint32_t address = 0;
    std::size_t offset = 0; // in the segment's bytes
    std::size_t length = 0;
    std::uint64_t End() const { return std::uint64_t{address} + length; }
};

// Sorts the pieces by address and raises when two overlap.
void SortApart(std::vector<Piece>& pieces) {
    std::sort(pieces.begin(), pieces.end(),
              [](const Piece& a, const Piece& b) { return a.address < b.address; });
    for (std::size_t k = 1; k < pieces.size(); ++k) {
        const Piece& prev = pieces[k - 1];
        if (pieces[k].address < prev.End())
            Raise("data overlaps: " + pieces[k].segment->source + " at " + Hex(pieces[k].address) +
                  " lies inside " + prev.segment->source + " (" + Hex(prev.address) + ".." +
                  Hex(prev.End() - 1) + ")");
    }
}

// The pieces laid into one image that starts at address; bytes no piece fills are 0x00.
ABytes Lay(const std::vector<Piece>& pieces, std::uint32_t address) {
    ABytes image;
    for (const Piece& piece : pieces) {
        const std::size_t at = piece.address - address;
        if (image.size() < at + piece.length) image.resize(at + piece.length, 0x00);
        const auto first = piece.segment->bytes.begin() + static_cast<std::ptrdiff_t>(piece.offset);
        std::copy(first, first + static_cast<std::ptrdiff_t>(piece.length),
                  image.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return image;
}

// The pieces, sorted and apart, as unbroken runs of addresses.
std::vector<TAddressRange> Runs(const std::vector<Piece>& pieces) {
    std::vector<TAddressRange> runs;
    for (const Piece& piece : pieces) {
        const auto last = static_cast<std::uint32_t>(piece.End() - 1);
        if (!runs.empty() && runs.back().last + std::uint64_t{1} == piece.address)
            runs.back().last = last;
        else
            runs.push_back({piece.address, last, piece.segment->source});
    }
    return runs;
}

// The addresses from first up to the end of the runs that no run covers.
std::vector<TAddressRange> Gaps(const std::vector<TAddressRange>& runs, std::uint32_t first) {
    std::vector<TAddressRange> gaps;
    std::uint64_t next = first;
    for (const TAddressRange& run : runs) {
        if (run.first > next) gaps.push_back({static_cast<std::uint32_t>(next), run.first - 1, ""});
        next = std::uint64_t{run.last} + 1;
    }
    return gaps;
}

} // namespace

TFirmwareImages MergeSegments(const THexInput& input, std::uint32_t flashLimit,
                              std::uint32_t eepromAddress) {
    // Each segment cut at the flash limit and at the EEPROM image's address.
    std::vector<Piece> flash, other, eeprom;
    for (const THexSegment& segment : input.segments) {
        const std::uint64_t begin = segment.address;
        const std::uint64_t end = begin + segment.bytes.size();
        auto take = [&](std::vector<Piece>& to, std::uint64_t from, std::uint64_t until) {
            from = std::max(from, begin);
            until = std::min(until, end);
            if (from < until)
                to.push_back({&segment, static_cast<std::uint32_t>(from),
                              static_cast<std::size_t>(from - begin),
                              static_cast<std::size_t>(until - from)});
        };
        take(flash, 0, flashLimit);
        take(other, flashLimit, eepromAddress);
        take(eeprom, eepromAddress, UINT64_MAX);
    }
    if (flash.empty()) Raise("no flash data below " + Hex(flashLimit));
    SortApart(flash);
    SortApart(other);
    SortApart(eeprom);

    TFirmwareImages images;
    images.flashAddress = flash.front().address;
    images.flash = Lay(flash, images.flashAddress);
    images.flashRuns = Runs(flash);
    // Erased flash reads 0xFF: the last line is filled with it, so that every byte is written.
    const std::size_t tail = images.flash.size() % kFlashLineSize;
    if (tail != 0) {
        const std::size_t pad = kFlashLineSize - tail;
        const auto first = static_cast<std::uint32_t>(images.flashAddress + images.flash.size());
        images.flashPadding = TAddressRange{first, static_cast<std::uint32_t>(first + pad - 1), ""};
        images.flash.resize(images.flash.size() + pad, 0xFF);
    }

    images.leftOut = Runs(other);

    if (!eeprom.empty()) {
        images.eepromAddress = eepromAddress;
        images.eeprom = Lay(eeprom, eepromAddress);
        images.eepromGaps = Gaps(Runs(eeprom), eepromAddress);
    }
    return images;
}

} // namespace zev::pack
