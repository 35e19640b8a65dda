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

// How one answer went out: when its bytes fell due on the line's schedule and when the loop
// actually handed them to the host's terminal (nanoseconds of the monotonic clock). An answer
// that left in pieces shows the longest pause between two of its writes.
struct TAnswerTime {
    std::int64_t FirstDueNs = 0;
    std::int64_t LastDueNs = 0;
    std::size_t Bytes = 0;
    std::size_t Written = 0; // fewer than Bytes: the host closed the port before the rest
    std::size_t Writes = 0;
    std::int64_t FirstWriteNs = 0;
    std::int64_t LastWriteNs = 0;
    std::int64_t LongestPauseNs = 0; // between two writes of this answer
    std::int64_t LatestNs = 0;       // the most a byte went out after it was due
    std::size_t Blocked = 0;         // writes the terminal took in part or not at all
    bool HungUp = false;             // the host closed the port before all of it was written
};

// Creates pDir if missing; raises an Error naming the file that could not be written.
void DumpDevice(const TDevice& pDevice, const std::string& pDir);

// Writes pDir/NAME.times: one line "MS KIND" per request, in the order of NAME.log (MS the
// monotonic clock in milliseconds with three decimals).
void DumpTimes(const std::string& pName, const std::vector<TRequestTime>& pTimes,
               const std::string& pDir);

// Writes pDir/NAME.answers: one line per answer, in the order the device gave them:
// "DUE_MS LAST_DUE_MS BYTES WRITTEN WRITES FIRST_WRITE_MS LAST_WRITE_MS LONGEST_PAUSE_MS
// LATEST_MS BLOCKED HUNG_UP" (HUNG_UP 0 or 1; clock times in milliseconds of the monotonic clock,
// durations in milliseconds, three decimals; the write times are 0 when nothing was written).
// Writes pDir/loop.stats: "loops N late MS work MS", how many times the loop waited, the most it
// woke after it meant to and the longest it worked between two waits.
void DumpLoop(std::int64_t pLoops, std::int64_t pLateNs, std::int64_t pWorkNs,
              const std::string& pDir);

void DumpAnswers(const std::string& pName, const std::vector<TAnswerTime>& pAnswers,
                 const std::string& pDir);

} // namespace zev::devsim
