#pragma once
// THexRec: one Intel HEX record and its two conversions, from a text line and to a text line.

#include "datafiles/abytes.h"

#include <cstdint>
#include <string>

namespace zev {

struct THexRec {
    std::uint8_t L = 0;  // byte count field
    std::uint8_t T = 0;  // record type
    std::uint8_t S = 0;  // checksum byte as read
    std::uint16_t A = 0; // address field
    ABytes D;            // the L data bytes

    // Parses a line (already trimmed). The first character, the record mark, is skipped whatever
    // it is; the rest are hexadecimal digit pairs (either case), an odd last character ignored.
    // Raises, in this order: "0x030A" for fewer than 11 characters, "0x0401" for a character
    // that is not a hexadecimal digit, "0x0309" for fewer bytes than the count field asks for,
    // "0x0308" when the record's bytes do not sum to 0 modulo 256. Bytes after the checksum byte
    // are ignored.
    static THexRec FromText(const std::string& vl);

    // ":" LL AAAA TT DD.. CC in upper-case hexadecimal, with a checksum computed from the fields
    // (S is not used). L is written as held, whatever the length of D.
    static std::string ToText(const THexRec& vl);
};

} // namespace zev
