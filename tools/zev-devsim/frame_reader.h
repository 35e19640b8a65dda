#pragma once
// Splits the bytes a device receives into request frames: 0xF0 OR command, length N, N data
// bytes, CRC-8. Bytes that cannot start a frame (high nibble not F) are passed on as a stray run.

#include "datafiles/abytes.h"

#include <vector>

namespace zev::devsim {

struct TFrame {
    bool CrcOk = false;
    int Cmd = 0; // low nibble of the first byte
    ABytes Data; // the data field
    ABytes Raw;  // every byte as received
};

class TFrameReader {
public:
    // Feeds one byte; returns true and fills pFrame when the byte completes a frame. A byte that
    // cannot start a frame joins the stray run (HasStray, TakeStray).
    bool Feed(std::uint8_t pByte, TFrame& pFrame);
    // Bytes of a frame begun but not complete.
    bool Partial() const { return !FBuf.empty(); }
    // Gives up the incomplete frame, returning its bytes.
    ABytes Abandon();
    // A stray run waiting to be reported.
    bool HasStray() const { return !FStray.empty(); }
    ABytes TakeStray();

private:
    ABytes FBuf;
    ABytes FStray;
};

} // namespace zev::devsim
