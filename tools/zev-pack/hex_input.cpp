#include "tools/zev-pack/hex_input.h"

#include "core/error.h"
#include "core/format.h"
#include "datafiles/hex_data_file.h"
#include "datafiles/package_check.h"
#include "tools/zev-pack/file_io.h"

#include <algorithm>
#include <map>

namespace zev::pack {

namespace {

constexpr std::size_t kMaxReported = 20;

std::string Hex(std::uint64_t value) {
    return Format("0x%x", {value});
}

// Watches the reader line by line and notes every line whose contents would not arrive.
class LineJudge : public THexReadObserver {
public:
    explicit LineJudge(std::string file) : file_(std::move(file)) {}

    void OnData(std::size_t line, std::size_t block, std::uint32_t address,
                std::size_t length) override {
        const std::uint64_t end = std::uint64_t{address} + length;
        auto found = last_.find(block);
        if (found != last_.end()) {
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
        } else {
            firstLine_[block] = line;
        }
        last_[block] = {line, address, end};
    }

    void OnBlock(std::size_t, std::size_t, std::uint32_t) override {}

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
        case THexLineSkip::AddressAboveLimit:
        case THexLineSkip::OtherType:
            break;
        }
    }

    void OnEnd(std::size_t eofLine) override { eofLine_ = eofLine; }

    std::size_t FirstLine(std::size_t block) const {
        auto found = firstLine_.find(block);
        return found == firstLine_.end() ? 0 : found->second;
    }

    std::vector<std::string> problems;
    std::size_t problemCount = 0;
    std::size_t eofLine_ = 0;

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
            problems.push_back(file_ + ":" + std::to_string(line) + ": " + text);
    }

    std::string file_;
    std::map<std::size_t, Record> last_;
    std::map<std::size_t, std::size_t> firstLine_;
};

// True when a line after the end-of-file record holds anything but blanks.
bool HasTextAfter(const ABytes& text, std::size_t eofLine) {
    std::size_t line = 1;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char c = static_cast<char>(text[k]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && k + 1 < text.size() && text[k + 1] == '\n') ++k;
            ++line;
        } else if (line > eofLine && static_cast<unsigned char>(c) > 0x20) {
            return true;
        }
    }
    return false;
}

} // namespace

void ReadHexInput(const std::filesystem::path& path, THexInput& input) {
    const std::string name = path.string();
    const ABytes text = ReadFileBytes(path); // also refuses what is not a regular file
    THexDataFile file;
    file.SetInfo(kPackageFlashLimit, kPackageEepromLimit);
    LineJudge judge(name);
    file.SetObserver(&judge);
    file.Load(path);

    if (judge.eofLine_ == 0)
        judge.problems.push_back(name + ": no end-of-file record: the reader would leave the last "
                                        "block empty");
    if (!judge.problems.empty()) {
        std::string message = "refusing " + name + ", the updater's reader would lose data:";
        for (const auto& problem : judge.problems) message += "\n  " + problem;
        if (judge.problemCount > judge.problems.size())
            message += "\n  ... and " + std::to_string(judge.problemCount - judge.problems.size()) +
                       " more";
        Raise(message);
    }
    if (HasTextAfter(text, judge.eofLine_))
        input.warnings.push_back(name + ":" + std::to_string(judge.eofLine_) +
                                 ": lines after the end-of-file record are not read");

    for (std::size_t k = 0; k < file.Blocks().size(); ++k) {
        const TDataBlock& block = file.Blocks()[k];
        ABytes bytes = BlockBytes(file.Data(), block);
        if (block.A == kBlockAddressUnset || bytes.empty()) continue;
        input.segments.push_back(
            {name + ":" + std::to_string(judge.FirstLine(k)), block.A, std::move(bytes)});
    }
}

namespace {

void Merge(std::vector<const THexSegment*> parts, std::uint32_t& address, ABytes& image) {
    std::sort(parts.begin(), parts.end(),
              [](const THexSegment* a, const THexSegment* b) { return a->address < b->address; });
    for (std::size_t k = 1; k < parts.size(); ++k) {
        const THexSegment& prev = *parts[k - 1];
        const std::uint64_t prevEnd = std::uint64_t{prev.address} + prev.bytes.size();
        if (parts[k]->address < prevEnd)
            Raise("data overlaps: " + parts[k]->source + " at " + Hex(parts[k]->address) +
                  " lies inside " + prev.source + " (" + Hex(prev.address) + ".." +
                  Hex(prevEnd - 1) + ")");
    }
    if (parts.empty()) return;
    address = parts.front()->address;
    for (const THexSegment* part : parts) {
        const std::size_t at = part->address - address;
        if (image.size() < at + part->bytes.size()) image.resize(at + part->bytes.size(), 0x00);
        std::copy(part->bytes.begin(), part->bytes.end(), image.begin() + static_cast<long>(at));
    }
}

} // namespace

TFirmwareImages MergeSegments(const THexInput& input) {
    std::vector<const THexSegment*> flash;
    std::vector<const THexSegment*> eeprom;
    for (const THexSegment& segment : input.segments) {
        if (segment.address < kPackageFlashLimit)
            flash.push_back(&segment);
        else if (segment.address > kPackageFlashLimit)
            eeprom.push_back(&segment);
        else
            Raise(segment.source + ": data at " + Hex(segment.address) +
                  " (the flash limit) is neither flash nor EEPROM and would never be written");
    }
    if (flash.empty()) Raise("no flash data below " + Hex(kPackageFlashLimit));
    TFirmwareImages images;
    Merge(flash, images.flashAddress, images.flash);
    Merge(eeprom, images.eepromAddress, images.eeprom);
    return images;
}

} // namespace zev::pack
