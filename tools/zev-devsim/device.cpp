#include "tools/zev-devsim/device.h"

#include "core/error.h"
#include "core/format.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace zev::devsim {

namespace {

ABytes LoadImage(const std::string& path, std::size_t limit, const char* what) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        Raise(std::string("cannot read the ") + what + " image '" + path +
              "': " + std::strerror(errno));
    ABytes data;
    char buf[4096];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        data.insert(data.end(), buf, buf + in.gcount());
        if (data.size() > limit)
            Raise(std::string("the ") + what + " image '" + path + "' is larger than " +
                  std::to_string(limit) + " bytes");
    }
    if (in.bad()) Raise(std::string("cannot read the ") + what + " image '" + path + "'");
    return data;
}

void PutWord(ABytes& mem, std::size_t at, std::uint16_t v) {
    mem[at % mem.size()] = static_cast<std::uint8_t>(v & 0xFF);
    mem[(at + 1) % mem.size()] = static_cast<std::uint8_t>(v >> 8);
}

std::string Hex(const ABytes& d) {
    return ABytesToText(d, "", true);
}

std::string LineText(char kind, std::uint32_t addr, const ABytes& d) {
    return std::string(1, kind) + " " + Format("%.4x", {addr & 0xFFFF}) + ":" + Hex(d);
}

} // namespace

TDevice::TDevice(TDeviceConfig pConfig)
    : FCfg(std::move(pConfig)), FFlash(kFlashSize, 0xFF), FEeprom(kEepromSize, 0xFF) {
    if (!FCfg.FlashImage.empty()) {
        const ABytes img = LoadImage(FCfg.FlashImage, kFlashSize, "flash");
        std::copy(img.begin(), img.end(), FFlash.begin());
    }
    if (!FCfg.EepromImage.empty()) {
        const ABytes img = LoadImage(FCfg.EepromImage, kEepromSize, "EEPROM");
        std::copy(img.begin(), img.end(), FEeprom.begin());
    }
    WriteProgramFields();
    ReadRecord();
}

void TDevice::WriteProgramFields() {
    TProgramFields p = FCfg.Program;
    if (FCfg.FlashImage.empty()) { // erased flash: give the program fields sensible values
        if (!p.EndProg) p.EndProg = 0;
        if (!p.CSProg) p.CSProg = 0;
        if (!p.VerProg) p.VerProg = 0x0100;
        if (!p.BootTypeP) p.BootTypeP = 0x001A;
        if (!p.PlateIzmP) p.PlateIzmP = 1;
        if (!p.IspolnenieP) p.IspolnenieP = 1;
        if (!p.DateProg) p.DateProg = 0x1709;
        if (!p.Name) p.Name = "ZEV-DEV";
    }
    const std::size_t at = FCfg.Boot.AdressInf;
    // Record layout: EP, CS, VP, TD words; IZ, IP bytes; DT word (year byte, month byte);
    // TX: ten words, one character in the low byte of each.
    if (p.EndProg) PutWord(FFlash, at + 0, *p.EndProg);
    if (p.CSProg) PutWord(FFlash, at + 2, *p.CSProg);
    if (p.VerProg) PutWord(FFlash, at + 4, *p.VerProg);
    if (p.BootTypeP) PutWord(FFlash, at + 6, *p.BootTypeP);
    if (p.PlateIzmP) FFlash[(at + 8) % kFlashSize] = *p.PlateIzmP;
    if (p.IspolnenieP) FFlash[(at + 9) % kFlashSize] = *p.IspolnenieP;
    if (p.DateProg) {
        FFlash[(at + 10) % kFlashSize] = static_cast<std::uint8_t>(*p.DateProg >> 8);
        FFlash[(at + 11) % kFlashSize] = static_cast<std::uint8_t>(*p.DateProg & 0xFF);
    }
    if (p.Name) {
        for (std::size_t k = 0; k < 10; ++k) {
            const std::uint8_t c = k < p.Name->size() ? static_cast<std::uint8_t>((*p.Name)[k]) : 0;
            PutWord(FFlash, at + 12 + 2 * k, c);
        }
    }
}

void TDevice::ReadRecord() {
    FRecord.resize(kRecordSize);
    for (std::size_t k = 0; k < kRecordSize; ++k)
        FRecord[k] = FFlash[(FCfg.Boot.AdressInf + k) % kFlashSize];
}

ABytes TDevice::IdentityData() const {
    const TBootIdentity& b = FCfg.Boot;
    ABytes d(24, 0);
    PutWord(d, 0, b.BootVersion);
    PutWord(d, 2, b.BootType);
    d[4] = b.PlateIzm;
    d[5] = b.Ispolnenie;
    d[6] = static_cast<std::uint8_t>(b.Date >> 8);
    d[7] = static_cast<std::uint8_t>(b.Date & 0xFF);
    PutWord(d, 8, static_cast<std::uint16_t>(b.AdressInf / 2));
    PutWord(d, 10, static_cast<std::uint16_t>(b.AdressMax / 2));
    PutWord(d, 12, static_cast<std::uint16_t>(b.BlockWrite / 2));
    PutWord(d, 14, static_cast<std::uint16_t>(b.EepromMax - 1));
    // The identifier as four 16-bit units, most significant first, one byte in each.
    for (int k = 0; k < 4; ++k) d[16 + 2 * k] = static_cast<std::uint8_t>(b.ID >> (24 - 8 * k));
    // The installed program's fields are the information record itself.
    d.insert(d.end(), FRecord.begin(), FRecord.end());
    return d;
}

ABytes TDevice::Answer(int pCmd, const ABytes& pData) const {
    ABytes frame{static_cast<std::uint8_t>(0xF0 | pCmd), static_cast<std::uint8_t>(pData.size())};
    frame.insert(frame.end(), pData.begin(), pData.end());
    frame.push_back(ABytesCRC8(frame));
    return frame;
}

void TDevice::NoteIgnored(const ABytes& pRaw, const std::string& pWhy) {
    FLog.push_back("X " + ABytesToText(pRaw, " ", true) + " " + pWhy);
}

TReaction TDevice::Handle(const TFrame& pFrame) {
    TReaction r;
    if (!pFrame.CrcOk) {
        NoteIgnored(pFrame.Raw, "bad-crc");
        return r;
    }
    const int cmd = pFrame.Cmd;
    const ABytes& data = pFrame.Data;
    std::optional<std::uint32_t> addr;
    std::string entry;
    switch (cmd) {
    case kCmdIdentity:
        entry = "I";
        r.WorkMs = FCfg.Timing.IdentityMs;
        break;
    case kCmdReset:
        entry = "R";
        r.WorkMs = FCfg.Timing.ResetMs;
        break;
    case kCmdFlash:
        if (data.size() < 2) {
            NoteIgnored(pFrame.Raw, "flash-without-address");
            return r;
        }
        addr = (static_cast<std::uint32_t>(ABytesGetWord(data, 0)) * 2) & 0xFFFF;
        entry = LineText('F', *addr, ABytesCopy(data, 2, static_cast<std::int32_t>(data.size())));
        r.WorkMs = FCfg.Timing.FlashMs;
        break;
    case kCmdEeprom:
        if (data.empty()) {
            NoteIgnored(pFrame.Raw, "eeprom-without-address");
            return r;
        }
        addr = data[0];
        entry = LineText('E', *addr, ABytesCopy(data, 1, static_cast<std::int32_t>(data.size())));
        r.WorkMs = FCfg.Timing.EepromMs;
        break;
    default:
        NoteIgnored(pFrame.Raw, "unknown-command");
        return r;
    }

    std::vector<const TFault*> hits;
    for (TFault& f : FCfg.Faults)
        if (f.Hits(cmd, addr)) hits.push_back(&f);
    const auto hit = [&](TFaultKind kind) -> const TFault* {
        for (const TFault* f : hits)
            if (f->Kind == kind) return f;
        return nullptr;
    };

    if (FSilent) {
        FLog.push_back(entry + " silent");
        return r;
    }
    if (hit(TFaultKind::Close)) {
        FLog.push_back(entry + " fault=close");
        r.Close = true;
        return r;
    }
    if (hit(TFaultKind::Silence)) {
        FSilent = true;
        FLog.push_back(entry + " fault=silence");
        return r;
    }

    ABytes answerData;
    switch (cmd) {
    case kCmdIdentity: {
        answerData = IdentityData();
        if (const TFault* f = hit(TFaultKind::IdLen))
            answerData.resize(static_cast<std::size_t>(f->Len - 3), 0);
        break;
    }
    case kCmdFlash:
        for (std::size_t k = 2; k < data.size(); ++k)
            FFlash[(*addr + k - 2) % kFlashSize] = data[k];
        break;
    case kCmdEeprom:
        for (std::size_t k = 1; k < data.size(); ++k)
            FEeprom[(*addr + k - 1) % kEepromSize] = data[k];
        break;
    case kCmdReset:
        ReadRecord(); // the bootloader starts again and reads the record anew
        break;
    }
    r.Answer = Answer(cmd, answerData);

    std::string notes;
    for (const TFault* f : hits) {
        switch (f->Kind) {
        case TFaultKind::Drop:
            r.Answer.clear();
            break;
        case TFaultKind::Nibble:
            if (!r.Answer.empty())
                r.Answer[0] = static_cast<std::uint8_t>(0x70 | (r.Answer[0] & 0x0F));
            break;
        case TFaultKind::Short:
            if (r.Answer.size() > static_cast<std::size_t>(f->Len))
                r.Answer.resize(static_cast<std::size_t>(f->Len));
            break;
        case TFaultKind::Noise:
            if (!r.Answer.empty()) {
                static const std::uint8_t kNoise[] = {0x00, 0x55, 0xAA, 0x0F};
                ABytes noise;
                for (int k = 0; k < f->Bytes; ++k) noise.push_back(kNoise[k % 4]);
                r.Answer.insert(r.Answer.begin(), noise.begin(), noise.end());
            }
            break;
        default:
            break;
        }
        notes += std::string(" fault=") + FaultKindName(f->Kind);
    }
    FLog.push_back(entry + notes);
    return r;
}

std::string TDevice::MemoryText() const {
    std::string out;
    for (std::size_t a = 0; a < kFlashSize; a += 64)
        out += LineText('F', static_cast<std::uint32_t>(a),
                        ABytesCopy(FFlash, static_cast<std::int32_t>(a), 64)) +
               "\n";
    for (std::size_t a = 0; a < kEepromSize; a += 32)
        out += LineText('E', static_cast<std::uint32_t>(a),
                        ABytesCopy(FEeprom, static_cast<std::int32_t>(a), 32)) +
               "\n";
    return out;
}

} // namespace zev::devsim
