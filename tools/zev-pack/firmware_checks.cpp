#include "tools/zev-pack/firmware_checks.h"

#include "core/error.h"
#include "core/format.h"
#include "datafiles/abytes.h"

namespace zev::pack {

namespace {

// Where classic mid-range parts (PIC16F88x and the like, at most 8K words of flash) keep what is
// not program memory, as byte addresses: user IDs from 0x4000, the configuration word at 0x400E,
// the EEPROM from 0x4200 up to 0x43FF.
constexpr std::uint32_t kClassicFirst = 0x4000;
constexpr std::uint32_t kClassicLast = 0x43FF;

std::string Hex(std::uint64_t value) {
    return Format("0x%x", {value});
}

std::string Span(const TAddressRange& range) {
    return range.first == range.last ? Hex(range.first) : Hex(range.first) + "-" + Hex(range.last);
}

// Data between 0x4000 and 0x43FF that is not the middle of one unbroken program running from
// below 0x4000 past 0x43FF: a classic part's IDs, configuration or EEPROM taken for flash.
std::vector<std::string> ClassicLayout(const TFirmwareImages& images) {
    std::vector<const TAddressRange*> inside;
    for (const TAddressRange& run : images.flashRuns) {
        if (run.last < kClassicFirst || run.first > kClassicLast) continue;
        if (run.first < kClassicFirst && run.last > kClassicLast) return {};
        inside.push_back(&run);
    }
    if (inside.empty()) return {};
    std::string found;
    for (const TAddressRange* run : inside)
        found += (found.empty() ? "" : ", ") + Span(*run) + " (" + run->source + ")";
    return {"data at " + found +
            " lies where classic mid-range parts (PIC16F88x and the like) keep user IDs "
            "(0x4000), configuration (0x400E) and EEPROM (0x4200), apart from the program: "
            "packed as flash it would be written over program memory and the EEPROM left as it "
            "is. Describe the part: --flash-end with its last flash byte (0x3FFF for 8K words) "
            "and --eeprom-at 0x4200; for a part whose program memory goes on there, --flash-end "
            "with its last flash byte (at most 0xFFFF)"};
}

// The flash image must begin with the information record: the updater reads the record from
// the image's first bytes and writes the image from there.
std::vector<std::string> RecordPlace(const TFirmwareImages& images, const TPartLayout& layout) {
    const std::string source = images.flashRuns.front().source;
    if (images.flashAddress < layout.recordAt)
        return {source + ": flash data at " + Hex(images.flashAddress) +
                " lies below the information record at " + Hex(layout.recordAt) + " (word " +
                Hex(layout.recordAt / 2) +
                "): the updater would read the record from that data and write it into the "
                "bootloader's words. Leave the bootloader's words (vectors, the bootloader "
                "itself) out of the file; --record-at ADDR names another record address"};
    if (images.flashAddress > layout.recordAt)
        return {source + ": flash data begins at " + Hex(images.flashAddress) +
                ", not at the information record's address " + Hex(layout.recordAt) + " (word " +
                Hex(layout.recordAt / 2) +
                "): the device keeps its record there and would get the program out of place. "
                "Link the application to begin with its record at word " +
                Hex(layout.recordAt / 2) + "; --record-at ADDR names another record address"};
    return {};
}

// EP, the program's last word, inside the flash image: the checksum covers the words up to it.
std::vector<std::string> EpInFlash(const TFirmwareImages& images) {
    const std::uint32_t ep = ABytesGetWord(images.flash, 0);
    const std::uint64_t end = std::uint64_t{images.flashAddress} + images.flash.size();
    if (2 * std::uint64_t{ep} + 2 <= end) return {};
    return {Format("EP 0x%x lies beyond the data of the flash image 0x%x-0x%x (its word at "
                   "byte 0x%x): the record's EP is wrong, or the program does not fit the flash",
                   {ep, images.flashAddress, end - 1, 2 * std::uint64_t{ep}})};
}

// The EEPROM cells (one byte in the low byte of each word of the image) that no data gives.
struct TCells {
    std::uint32_t first = 0, last = 0; // cell numbers
};

std::vector<TCells> MissingCells(const TFirmwareImages& images) {
    std::vector<TCells> cells;
    for (const TAddressRange& gap : images.eepromGaps) {
        const std::uint32_t from = (gap.first - images.eepromAddress + 1) / 2;
        const std::uint32_t to = (gap.last - images.eepromAddress) / 2;
        if (from <= to) cells.push_back({from, to});
    }
    return cells;
}

std::string CellsText(const std::vector<TCells>& cells) {
    std::string text;
    for (const TCells& c : cells)
        text += (text.empty() ? "" : ", ") +
                (c.first == c.last ? std::to_string(c.first)
                                   : std::to_string(c.first) + "-" + std::to_string(c.last));
    return text;
}

std::vector<std::string> EepromCells(const TFirmwareImages& images) {
    const auto cells = MissingCells(images);
    if (cells.empty()) return {};
    return {"EEPROM cells " + CellsText(cells) + " (image at " + Hex(images.eepromAddress) +
            ") are not in the files: the updater writes every cell from 0 up to the last one "
            "given and cannot leave them as the device has them. Give their values in the "
            "firmware, or the value they get with --eeprom-fill VALUE (0xFF: as erased EEPROM "
            "reads)"};
}

} // namespace

std::vector<std::string> FirmwareProblems(const TFirmwareImages& images,
                                          const TPartLayout& layout) {
    std::vector<std::string> problems;
    const auto add = [&problems](const std::vector<std::string>& more) {
        problems.insert(problems.end(), more.begin(), more.end());
    };
    if (!layout.flashEnd) add(ClassicLayout(images));
    add(RecordPlace(images, layout));
    // Data below the record address is program code, not a record: its "EP" means nothing.
    if (images.flashAddress >= layout.recordAt) add(EpInFlash(images));
    if (!layout.eepromFill) add(EepromCells(images));
    return problems;
}

void RefuseFirmwareProblems(const TFirmwareImages& images, const TPartLayout& layout) {
    const auto problems = FirmwareProblems(images, layout);
    if (problems.empty()) return;
    std::string message = "refusing the firmware:";
    for (const auto& problem : problems) message += "\n  " + problem;
    Raise(message);
}

std::vector<std::string> FillEepromCells(TFirmwareImages& images, std::uint8_t value) {
    const auto cells = MissingCells(images);
    if (cells.empty()) return {};
    for (const TCells& c : cells)
        for (std::uint32_t cell = c.first; cell <= c.last; ++cell) images.eeprom[2 * cell] = value;
    return {Format("EEPROM cells %s are not in the files: written 0x%.2x (--eeprom-fill)",
                   {CellsText(cells), value})};
}

} // namespace zev::pack
