#pragma once
// Intel HEX text of a block image: the form the Intel HEX reader takes back.

#include "datafiles/abytes.h"
#include "datafiles/hex_data_file.h"

#include <string>

namespace zev {

// One data record per recordSize (1 .. 255) bytes of every block, in list order; an extended
// linear address record (type 4) wherever the upper 16 address bits change (before the first
// block only when they are not 0); an end-of-file record at the end. Lines end in CR LF.
// Blocks whose address is unset are left out.
std::string IntelHexText(const ADataBlocks& blocks, const ABytes& data,
                         std::size_t recordSize = 16);

} // namespace zev
