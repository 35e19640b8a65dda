#include "datafiles/intel_hex_writer.h"

#include "core/error.h"

#include <algorithm>

namespace zev {

namespace {

void AddRecord(std::string& out, std::uint8_t type, std::uint16_t address, ABytes bytes) {
    THexRec rec;
    rec.L = static_cast<std::uint8_t>(bytes.size());
    rec.T = type;
    rec.A = address;
    rec.D = std::move(bytes);
    out += THexRec::ToText(rec);
    out += "\r\n";
}

} // namespace

std::string IntelHexText(const ADataBlocks& blocks, const ABytes& data, std::size_t recordSize) {
    if (recordSize < 1 || recordSize > 255) Raise("Intel HEX record size must be 1 to 255");
    std::string out;
    std::uint32_t upper = 0;
    for (const TDataBlock& block : blocks) {
        if (block.A == kBlockAddressUnset) continue;
        const ABytes bytes = BlockBytes(data, block);
        std::size_t k = 0;
        while (k < bytes.size()) {
            const std::uint64_t address = std::uint64_t{block.A} + k;
            if (address > 0xFFFFFFFFu) break;
            const auto high = static_cast<std::uint32_t>(address >> 16);
            if (high != upper) {
                // The value is written high byte first.
                AddRecord(out, 4, 0,
                          ABytesFromBytes({static_cast<std::uint8_t>(high >> 8),
                                           static_cast<std::uint8_t>(high & 0xFF)}));
                upper = high;
            }
            // A record never crosses a 64 KiB boundary.
            const std::size_t toBoundary = 0x10000 - static_cast<std::size_t>(address & 0xFFFF);
            const std::size_t n = std::min({recordSize, bytes.size() - k, toBoundary});
            AddRecord(
                out, 0, static_cast<std::uint16_t>(address & 0xFFFF),
                ABytesCopy(bytes, static_cast<std::int32_t>(k), static_cast<std::int32_t>(n)));
            k += n;
        }
    }
    AddRecord(out, 1, 0, {});
    return out;
}

} // namespace zev
