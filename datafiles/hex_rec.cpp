#include "datafiles/hex_rec.h"

#include "core/error.h"
#include "core/format.h"
#include "datafiles/data_errors.h"

namespace zev {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

THexRec THexRec::FromText(const std::string& vl) {
    if (vl.size() < 11) Raise(kErrHexShortLine);
    ABytes b;
    b.reserve((vl.size() - 1) / 2);
    for (std::size_t i = 1; i + 1 < vl.size(); i += 2) {
        const int high = HexValue(vl[i]);
        const int low = HexValue(vl[i + 1]);
        if (high < 0 || low < 0) Raise(kErrHexBadCharacter);
        b.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    const std::size_t needed = static_cast<std::size_t>(b[0]) + 5;
    if (b.size() < needed) Raise(kErrHexShortRecord);

    THexRec rec;
    rec.L = b[0];
    rec.A = static_cast<std::uint16_t>(b[1] * 256 + b[2]);
    rec.T = b[3];
    rec.D.assign(b.begin() + 4, b.begin() + 4 + rec.L);
    rec.S = b[rec.L + 4u];
    std::uint8_t sum = 0;
    for (std::size_t k = 0; k < needed; ++k) sum = static_cast<std::uint8_t>(sum + b[k]);
    if (sum != 0) Raise(kErrHexChecksum);
    return rec;
}

std::string THexRec::ToText(const THexRec& vl) {
    std::uint8_t sum = static_cast<std::uint8_t>(vl.L + (vl.A >> 8) + (vl.A & 0xFF) + vl.T);
    for (auto byte : vl.D) sum = static_cast<std::uint8_t>(sum + byte);
    const unsigned checksum = static_cast<std::uint8_t>(0x100 - sum);
    return ":" + Format("%.2x%.4x%.2x", {vl.L, vl.A, vl.T}) + ABytesToText(vl.D, "", true) +
           Format("%.2x", {checksum});
}

} // namespace zev
