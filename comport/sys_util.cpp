#include "comport/sys_util.h"

#include "core/format.h"

namespace zev {

bool IsValidHandle(TPortHandle handle) {
    return handle != os::kNoPort && handle != os::kInvalidPort;
}

std::string SysErrorText(std::uint32_t code) {
    return SysErrorText(os::SystemError(static_cast<int>(code)));
}

std::string SysErrorText(const std::error_code& code) {
    std::string text = os::SystemErrorMessage(code);
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= 32 || text.back() == '.'))
        text.pop_back();
    return Format("%d: %s", {static_cast<unsigned>(code.value()), text});
}

std::string ValueReadErrorText(const std::error_code& code, const std::string& name) {
    if (code == os::TErrorKind::WrongType) return "Invalid data type for '" + name + "'";
    return "Failed to get data for '" + name + "'";
}

} // namespace zev
