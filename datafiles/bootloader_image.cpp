#include "datafiles/bootloader_image.h"

#include "core/error.h"
#include "core/format.h"
#include "datafiles/data_errors.h"

namespace zev {

namespace {

struct ChecksumRange {
    std::int64_t last = 0; // index of the last word added; below 2 adds none
    bool inData = true;
};

} // namespace

std::string TLormanBootLoaderDataLine::ToString() const {
    return Format("%.4x", {A}) + ":" + ABytesToText(D, "", true);
}

std::optional<std::size_t> TLormanBootLoaderHexDataFile::FlashBlock() const {
    for (std::size_t k = 0; k < FBlocks.size(); ++k)
        if (FBlocks[k].A < FFlashLimit) return k;
    return std::nullopt;
}

std::optional<std::size_t> TLormanBootLoaderHexDataFile::EepromBlock() const {
    for (std::size_t k = 0; k < FBlocks.size(); ++k)
        if (FBlocks[k].A > FFlashLimit) return k;
    return std::nullopt;
}

TLormanBootLoaderInfo TLormanBootLoaderHexDataFile::BootLoaderInfo() const {
    const auto flash = FlashBlock();
    ABytes record;
    if (flash) record = BlockBytes(FData, FBlocks[*flash], kInfoRecordSize);
    if (record.size() < kInfoRecordSize) Raise(kErrNoInfoRecord);

    TLormanBootLoaderInfo info;
    info.EP = ABytesGetWord(record, 0);
    info.CS = ABytesGetWord(record, 2);
    info.VP = ABytesGetWord(record, 4);
    info.TD = ABytesGetWord(record, 6);
    info.IZ = record[8];
    info.IP = record[9];
    info.DT = ABytesGetWord(record, 10);
    for (std::size_t offset = 12; offset < kInfoRecordSize; offset += 2)
        if (record[offset] != 0) info.TX += static_cast<char>(record[offset]);
    info.BL = static_cast<std::int32_t>(*flash);
    return info;
}

namespace {

ChecksumRange RangeOf(const TLormanBootLoaderInfo& info, const ADataBlocks& blocks,
                      std::size_t dataSize) {
    ChecksumRange range;
    // BootLoaderInfo succeeded, so there is at least one block.
    range.last = std::int64_t{info.EP} - std::int64_t{blocks.front().A / 2};
    if (range.last >= 2) range.inData = static_cast<std::uint64_t>(2 * range.last + 1) < dataSize;
    return range;
}

} // namespace

bool TLormanBootLoaderHexDataFile::CheckSummInData() const {
    return RangeOf(BootLoaderInfo(), FBlocks, FData.size()).inData;
}

std::uint16_t TLormanBootLoaderHexDataFile::CheckSumm() const {
    const TLormanBootLoaderInfo info = BootLoaderInfo();
    const ChecksumRange range = RangeOf(info, FBlocks, FData.size());
    if (!range.inData) return static_cast<std::uint16_t>(~info.CS);
    std::uint16_t sum = 0;
    for (std::int64_t k = range.last; k >= 2; --k) {
        const auto at = static_cast<std::size_t>(2 * k);
        sum = static_cast<std::uint16_t>(sum + FData[at] + 256 * FData[at + 1]);
    }
    return static_cast<std::uint16_t>((0u - sum) & 0x3FFF);
}

ALormanBootLoaderDataLines TLormanBootLoaderHexDataFile::GetFlash() const {
    const auto flash = FlashBlock();
    if (!flash) return {};
    const ABytes bytes = BlockBytes(FData, FBlocks[*flash]);
    const std::uint32_t base = FBlocks[*flash].A;
    ALormanBootLoaderDataLines lines(bytes.size() / kFlashLineSize);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        lines[k].A = static_cast<std::uint16_t>(base + kFlashLineSize * k);
        const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(kFlashLineSize * k);
        lines[k].D.assign(first, first + kFlashLineSize);
    }
    return lines;
}

ALormanBootLoaderDataLines TLormanBootLoaderHexDataFile::GetEEPROM() const {
    const auto eeprom = EepromBlock();
    if (!eeprom) return {};
    const ABytes bytes = BlockBytes(FData, FBlocks[*eeprom]);
    if (bytes.size() % 2 != 0) Raise(kErrEepromOdd);
    ABytes contents;
    contents.reserve(bytes.size() / 2);
    for (std::size_t k = 0; k < bytes.size(); k += 2) contents.push_back(bytes[k]);

    ALormanBootLoaderDataLines lines((contents.size() + kEepromLineSize - 1) / kEepromLineSize);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        lines[k].A = static_cast<std::uint16_t>(kEepromLineSize * k);
        lines[k].D = ABytesCopy(contents, static_cast<std::int32_t>(kEepromLineSize * k),
                                static_cast<std::int32_t>(kEepromLineSize));
    }
    return lines;
}

} // namespace zev
