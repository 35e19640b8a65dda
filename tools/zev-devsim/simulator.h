#pragma once
// The simulator's loop: every device's port served by one thread with poll. Received bytes are
// cut into frames and handed to the device; its answers are sent at once (instant timing) or
// byte by byte as a serial line at the device's baud rate would carry them, after the device's
// own working time (paced timing).

#include "tools/zev-devsim/device.h"
#include "tools/zev-devsim/dump.h"
#include "tools/zev-devsim/frame_reader.h"
#include "tools/zev-devsim/pty_port.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zev::devsim {

class TSimulator {
public:
    struct TOptions {
        std::string DumpDir;
        bool Verbose = false;
    };

    // Opens a port for each device and makes its link; raises an Error (and leaves nothing
    // behind) when one fails.
    TSimulator(std::vector<TDeviceConfig> pDevices, TOptions pOptions);

    // The lines "device NAME PTY [LINK]".
    std::vector<std::string> DeviceLines() const;

    // Serves the ports until SIGTERM, SIGINT or SIGHUP arrives on pSignalFd (a signalfd);
    // SIGUSR1 writes a dump. Returns when asked to end.
    void Run(int pSignalFd);

    // Writes every device's dump to the dump folder; false (with a message on standard
    // error) when there is no folder or a file could not be written.
    bool Dump();

private:
    struct TUnit {
        std::unique_ptr<TDevice> Dev;
        std::unique_ptr<TPtyPort> Port;
        TFrameReader Reader;
        bool HungUp = false; // no host has the port open
        bool Gone = false;   // closed for good (fault close)
        bool WriteBlocked = false;
        std::int64_t NextCheck = 0; // when to look again whether a host has opened it
        std::int64_t LastRx = 0;    // when the last byte was read
        std::int64_t RxFree = 0;    // paced: when the line has carried the last byte in
        std::int64_t DevFree = 0;   // paced: when the device has sent its last answer byte
        struct TOutByte {
            std::int64_t Due = 0;
            std::uint8_t Byte = 0;
            std::size_t Answer = 0; // its entry in Answers
        };
        std::deque<TOutByte> Out;
        std::vector<TRequestTime> Times;  // when each request had crossed the line in
        std::vector<TAnswerTime> Answers; // how each answer went out
    };

    void ReadFrom(TUnit& pUnit, std::int64_t pNow);
    void HandleFrame(TUnit& pUnit, const TFrame& pFrame, std::int64_t pComplete, std::int64_t pNow);
    void FlushDue(TUnit& pUnit, std::int64_t pNow);
    void NoteWritten(TUnit& pUnit, std::size_t pCount, std::int64_t pNow);
    void DumpAside();
    void AwaitDumps();
    void HangUp(TUnit& pUnit, std::int64_t pNow);
    void Trace(const TUnit& pUnit, const char* pDir, const ABytes& pBytes) const;
    std::int64_t ByteNs(const TUnit& pUnit) const;

    TOptions FOptions;
    std::vector<std::unique_ptr<TUnit>> FUnits;
    // How the loop kept its own schedule: the most it woke after it meant to (a loaded machine
    // running other threads), and the longest it worked between two waits (its own cost).
    std::int64_t FLoops = 0;
    std::int64_t FLongestLateNs = 0;
    std::int64_t FLongestWorkNs = 0;
    pid_t FDumper = -1;           // the copy of the process writing a dump, while it runs
    std::size_t FDumpsWanted = 0; // dumps asked for and not begun yet
};

// Nanoseconds of the monotonic clock.
std::int64_t NowNs();

} // namespace zev::devsim
