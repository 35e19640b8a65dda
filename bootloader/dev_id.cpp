#include "bootloader/dev_id.h"

#include "bootloader/boot_codes.h"
#include "core/error.h"
#include "core/format.h"
#include "core/lang.h"

namespace zev {

namespace {

constexpr std::size_t kMinIdentityAnswer = 50;
constexpr std::size_t kNameLength = 10;
constexpr std::int32_t kLabelPad = 14;

// The data field of an answer, read by offset; bytes past the answer read as 0.
class TDataField {
public:
    explicit TDataField(const ABytes& pAnswer) : FData(pAnswer) { ABytesDelete(FData, 0, 2); }

    std::uint8_t B(std::size_t k) const { return k < FData.size() ? FData[k] : 0; }
    std::uint16_t W(std::size_t k) const {
        return static_cast<std::uint16_t>(B(k) | (B(k + 1) << 8));
    }

private:
    ABytes FData;
};

TDevDateTime DateOrNow(std::uint8_t pYear, std::uint8_t pMonth) {
    if (const std::optional<TDevDateTime> date = DevDateFromBCD(pYear, pMonth)) return *date;
    return DevDateTimeNow();
}

} // namespace

TLormanBootLoaderDevID DecodeDevID(const ABytes& pAnswer) {
    if (pAnswer.size() < kMinIdentityAnswer) Raise(kBootErrShortIdentity);
    const TDataField d(pAnswer);
    TLormanBootLoaderDevID r;
    r.dBootVersion = d.W(0);
    r.dBootType = d.W(2);
    r.dIspolnenie = d.B(5);
    r.dPlateIzm = d.B(4);
    r.dDate = DateOrNow(d.B(6), d.B(7));
    // The device counts flash in 16-bit words; the record holds byte addresses and sizes.
    r.dAdressInf = static_cast<std::uint16_t>(d.W(8) * 2);
    r.dAdressMax = static_cast<std::uint16_t>(d.W(10) * 2 + 1);
    r.dBlockWrite = static_cast<std::uint16_t>(d.W(12) * 2);
    r.dEepromMax = static_cast<std::uint16_t>(d.W(14) + 1);
    r.dEEWrite = 16;
    r.dEndProg = d.W(24);
    r.dCSProg = d.W(26);
    r.dVerProg = d.W(28);
    r.dBootTypeP = d.W(30);
    r.dIspolnenieP = d.B(33);
    r.dPlateIzmP = d.B(32);
    r.dDateProg = DateOrNow(d.B(34), d.B(35));
    const ABytes id = ABytesFromBytes({d.B(22), d.B(20), d.B(18), d.B(16)});
    r.dID = static_cast<std::int64_t>(ABytesGetLong(id, 0));
    ABytes name(kNameLength);
    for (std::size_t k = 0; k < kNameLength; ++k) name[k] = d.B(36 + 2 * k);
    r.dName = ABytesToAnsi(name);
    return r;
}

bool SameDevice(const TLormanBootLoaderDevID& pA, const TLormanBootLoaderDevID& pB) {
    return pA.dID == pB.dID && pA.dBootTypeP == pB.dBootTypeP &&
           pA.dIspolnenieP == pB.dIspolnenieP && pA.dPlateIzmP == pB.dPlateIzmP;
}

std::string TLormanBootLoaderDevID::ToString() const {
    const auto label = [](const char* text) { return PadRight(text, kLabelPad); };
    return Format("%s%s\r\n", {label("Name:"), dName}) +
           Format("%s0x%.4x\r\n", {label("Type:"), dBootType}) +
           Format("%s%x\r\n", {label("Isp:"), dIspolnenie}) +
           Format("%s%x\r\n", {label("Izm:"), dPlateIzm}) +
           Format("%s%x.%.2x\r\n", {label("Version:"), static_cast<unsigned>(dVerProg >> 8),
                                    static_cast<unsigned>(dVerProg & 0xFF)}) +
           Format("%s%.10x\r\n", {label("ID:"), static_cast<long long>(dID)}) +
           Format("%s0x%.4x", {label("CheckSumm:"), dCSProg});
}

} // namespace zev
