#include "datafiles/hex_data_file.h"

#include "core/error.h"
#include "datafiles/data_errors.h"

#include <algorithm>

namespace zev {

ABytes BlockBytes(const ABytes& data, const TDataBlock& block, std::uint32_t maxCount) {
    if (block.I >= data.size()) return {};
    const std::size_t available = data.size() - block.I;
    const std::size_t count = std::min<std::size_t>({available, block.L, maxCount});
    const auto first = data.begin() + static_cast<std::ptrdiff_t>(block.I);
    return ABytes(first, first + static_cast<std::ptrdiff_t>(count));
}

void THexDataFile::SetInfo(std::uint32_t pFlash, std::uint32_t pEeprom) {
    FFlashLimit = pFlash;
    FEepromLimit = pEeprom;
}

void THexDataFile::BytesFrom(const ABytes& D) {
    if (D.size() < 2) Raise(kErrContainerShort);
    const std::uint32_t n = ABytesGetWord(D, 0);
    if (D.size() < 12u * n + 2u) Raise(kErrBlockTableShort);
    ADataBlocks blocks(n);
    for (std::uint32_t k = 0; k < n; ++k) {
        const auto at = static_cast<std::int32_t>(2 + 12 * k);
        blocks[k] = {ABytesGetLong(D, at), ABytesGetLong(D, at + 4), ABytesGetLong(D, at + 8)};
    }
    FData.assign(D.begin() + 2 + 12 * n, D.end());
    FBlocks = std::move(blocks);
}

ABytes THexDataFile::BytesTo() const {
    ABytes out = ABytesFromWords({static_cast<std::uint16_t>(FBlocks.size())});
    out.reserve(2 + 12 * FBlocks.size() + FData.size());
    for (const TDataBlock& block : FBlocks) {
        const ABytes entry = ABytesFromLongs({block.A, block.I, block.L});
        out.insert(out.end(), entry.begin(), entry.end());
    }
    out.insert(out.end(), FData.begin(), FData.end());
    return out;
}

void THexDataFile::SaveStream(std::ostream&, const ABytes&) {}

} // namespace zev
