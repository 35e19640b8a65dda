#pragma once
// UTF-8 text of the program and the UTF-16 text of the Windows calls.

#include <string>

namespace zev::os::win32 {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);
std::string Narrow(const wchar_t* utf16, std::size_t length);

} // namespace zev::os::win32
