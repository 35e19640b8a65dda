#pragma once
// Setting the information record's CS to the checksum the updater computes at start-up.

#include "datafiles/abytes.h"

#include <cstdint>
#include <optional>

namespace zev::pack {

struct TChecksumChange {
    std::uint16_t before = 0; // CS as the record stated it
    std::uint16_t after = 0;  // the image's checksum, now in the record
    std::uint16_t ep = 0;
};

// Writes the checksum of the payload's image into its record's CS, computed by the updater's
// own image class, so the start-up check compares equal. None when the payload has no record
// to set (the package check then says why).
std::optional<TChecksumChange> SetChecksum(ABytes& payload);

} // namespace zev::pack
