#include "gui/win32/text16.h"

#include <vector>

namespace zev::win32 {

std::wstring ToUtf16(const std::string& pUtf8) {
    if (pUtf8.empty()) return {};
    const int size = static_cast<int>(pUtf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, pUtf8.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, pUtf8.data(), size, text.data(), length);
    return text;
}

std::string ToUtf8(const std::wstring& pUtf16) {
    if (pUtf16.empty()) return {};
    const int size = static_cast<int>(pUtf16.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, pUtf16.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, pUtf16.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}

std::string WindowText(HWND pWindow) {
    const int length = GetWindowTextLengthW(pWindow);
    if (length <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    const int got = GetWindowTextW(pWindow, buffer.data(), length + 1);
    return ToUtf8(std::wstring(buffer.data(), static_cast<std::size_t>(got > 0 ? got : 0)));
}

} // namespace zev::win32
