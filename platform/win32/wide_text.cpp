#include "platform/win32/wide_text.h"

#include <windows.h>

namespace zev::os::win32 {

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), n);
    return out;
}

std::string Narrow(const wchar_t* utf16, std::size_t length) {
    if (length == 0) return {};
    const int size = static_cast<int>(length);
    const int n = WideCharToMultiByte(CP_UTF8, 0, utf16, size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16, size, out.data(), n, nullptr, nullptr);
    return out;
}

std::string Narrow(const std::wstring& utf16) {
    return Narrow(utf16.data(), utf16.size());
}

} // namespace zev::os::win32
