#pragma once
// The window's texts are UTF-8; the W calls of Windows take UTF-16.

#include <windows.h>

#include <string>

namespace zev::win32 {

std::wstring ToUtf16(const std::string& pUtf8);
std::string ToUtf8(const std::wstring& pUtf16);

// The text of a window (a control's caption, a window's title) as UTF-8.
std::string WindowText(HWND pWindow);

} // namespace zev::win32
