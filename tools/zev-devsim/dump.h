#pragma once
// Writes what a device received and its memory into a folder: NAME.log, NAME.mem,
// NAME.flash.bin and NAME.eeprom.bin.

#include "tools/zev-devsim/device.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zev::devsim {

// When a request had crossed the line into the device (nanoseconds of the monotonic clock, on
// the paced line's own schedule), and the letter of its entry in NAME.log.
struct TRequestTime {
    std::int64_t AtNs = 0;
    char Kind = '?';
};

// Creates pDir if missing; raises an Error naming the file that could not be written.
void DumpDevice(const TDevice& pDevice, const std::string& pDir);

// Writes pDir/NAME.times: one line "MS KIND" per request, in the order of NAME.log (MS the
// monotonic clock in milliseconds with three decimals).
void DumpTimes(const std::string& pName, const std::vector<TRequestTime>& pTimes,
               const std::string& pDir);

} // namespace zev::devsim
