#include "comport/sys_util.h"

#include "core/format.h"

namespace zev {

bool IsValidHandle(TPortHandle handle) {
    return handle != os::kNoPort && handle != os::kInvalidPort;
}

std::string SysErrorText(std::uint32_t code) {
    std::string text = os::SystemErrorMessage(code);
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= 32 || text.back() == '.'))
        text.pop_back();
    return Format("%d: %s", {static_cast<unsigned>(code), text});
}

} // namespace zev
