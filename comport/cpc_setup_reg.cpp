// TCPCSetup under a registry key: the line settings (without the characters) in pKey\DCB, the
// timeouts in pKey\CTO and the queue sizes in pKey itself, all as 32-bit numbers.

#include "comport/cpc_setup.h"
#include "comport/sys_util.h"
#include "core/error.h"

#include <vector>

namespace zev {

namespace {

// One value of a key and how to move it between the field and the store.
struct TRegValue {
    const char* name;
    std::uint32_t (*get)(const TCPCSetup&);
    void (*set)(TCPCSetup&, std::uint32_t);
};

struct TRegKeyLayout {
    const char* suffix; // after pKey
    std::vector<TRegValue> values;
};

#define ZEV_FIELD(NAME, FIELD, TYPE)                                                               \
    TRegValue {                                                                                    \
        NAME, [](const TCPCSetup& s) { return static_cast<std::uint32_t>(s.FIELD); },              \
            [](TCPCSetup& s, std::uint32_t v) { s.FIELD = static_cast<TYPE>(v); }                  \
    }

const std::vector<TRegKeyLayout>& Layout() {
    static const std::vector<TRegKeyLayout> layout = {
        {"\\DCB",
         {ZEV_FIELD("BaudRate", DCB.BaudRate, std::uint32_t),
          ZEV_FIELD("Flags", DCB.Flags, std::uint32_t),
          ZEV_FIELD("XonLim", DCB.XonLim, std::uint16_t),
          ZEV_FIELD("XoffLim", DCB.XoffLim, std::uint16_t),
          ZEV_FIELD("ByteSize", DCB.ByteSize, std::uint8_t),
          ZEV_FIELD("Parity", DCB.Parity, std::uint8_t),
          ZEV_FIELD("StopBits", DCB.StopBits, std::uint8_t)}},
        {"\\CTO",
         {ZEV_FIELD("ReadIntervalTimeout", CTO.ReadIntervalTimeout, std::uint32_t),
          ZEV_FIELD("ReadTotalTimeoutMultiplier", CTO.ReadTotalTimeoutMultiplier, std::uint32_t),
          ZEV_FIELD("ReadTotalTimeoutConstant", CTO.ReadTotalTimeoutConstant, std::uint32_t),
          ZEV_FIELD("WriteTotalTimeoutMultiplier", CTO.WriteTotalTimeoutMultiplier, std::uint32_t),
          ZEV_FIELD("WriteTotalTimeoutConstant", CTO.WriteTotalTimeoutConstant, std::uint32_t)}},
        {"",
         {ZEV_FIELD("BufferIn", BIN, std::uint32_t), ZEV_FIELD("BufferOut", BOU, std::uint32_t)}},
    };
    return layout;
}

#undef ZEV_FIELD

// Closes the key on every path.
class TKeyGuard {
public:
    explicit TKeyGuard(os::TRegKey key) : FKey(key) {}
    ~TKeyGuard() { os::RegistryCloseKey(FKey); }
    TKeyGuard(const TKeyGuard&) = delete;
    TKeyGuard& operator=(const TKeyGuard&) = delete;

private:
    os::TRegKey FKey;
};

} // namespace

void TCPCSetup::RegSave(os::TRegRoot pRoot, const std::string& pKey) const {
    for (const auto& key : Layout()) {
        os::TRegKey handle = 0;
        if (os::RegistryOpenKey(pRoot, pKey + key.suffix, handle)) continue; // failed: skipped
        TKeyGuard guard(handle);
        for (const auto& value : key.values) {
            if (const auto code = os::RegistryWriteDword(handle, value.name, value.get(*this)))
                Raise("TCPCSetup.RegSave >> Не удалось записать значение \"" +
                      std::string(value.name) + "\" (" + SysErrorText(code) + ").");
        }
    }
}

bool TCPCSetup::RegLoad(os::TRegRoot pRoot, const std::string& pKey) {
    std::string base = pKey;
    while (!base.empty() && base.back() == '\\') base.pop_back();
    bool result = true;
    for (const auto& key : Layout()) {
        os::TRegKey handle = 0;
        if (os::RegistryOpenKey(pRoot, base + key.suffix, handle)) { // failed
            result = false;
            continue;
        }
        TKeyGuard guard(handle);
        for (const auto& value : key.values) {
            std::uint32_t data = 0;
            const std::error_code code = os::RegistryReadDword(handle, value.name, data);
            if (code == os::TErrorKind::NotFound) {
                result = false;
            } else if (code) {
                Raise("TCPCSetup.RegLoad >> Значение \"" + std::string(value.name) +
                      "\" не является 32-битным числом");
            } else {
                value.set(*this, data);
            }
        }
    }
    return result;
}

} // namespace zev
