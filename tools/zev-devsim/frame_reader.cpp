#include "tools/zev-devsim/frame_reader.h"

namespace zev::devsim {

bool TFrameReader::Feed(std::uint8_t pByte, TFrame& pFrame) {
    if (FBuf.empty() && (pByte & 0xF0) != 0xF0) {
        FStray.push_back(pByte);
        return false;
    }
    FBuf.push_back(pByte);
    if (FBuf.size() < 2 || FBuf.size() < static_cast<std::size_t>(FBuf[1]) + 3) return false;
    pFrame = TFrame{};
    pFrame.Cmd = FBuf[0] & 0x0F;
    pFrame.Raw = FBuf;
    pFrame.Data.assign(FBuf.begin() + 2, FBuf.end() - 1);
    pFrame.CrcOk =
        ABytesCRC8(ABytesCopy(FBuf, 0, static_cast<std::int32_t>(FBuf.size() - 1))) == FBuf.back();
    FBuf.clear();
    return true;
}

ABytes TFrameReader::Abandon() {
    ABytes out;
    out.swap(FBuf);
    return out;
}

ABytes TFrameReader::TakeStray() {
    ABytes out;
    out.swap(FStray);
    return out;
}

} // namespace zev::devsim
