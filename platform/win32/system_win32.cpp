// The program's own file, the user's data folder, the clock and the ANSI code page on Windows.

#include "platform/system.h"
#include "platform/win32/wide_text.h"

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

namespace zev::os {

std::string ExecutablePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return win32::Narrow(buffer.data(), n);
        if (buffer.size() >= 32768) return {}; // longer than any path the system allows
        buffer.resize(buffer.size() * 2);      // cut off: try again with more room
    }
}

std::string ExecutableFolder() {
    const std::string path = ExecutablePath();
    const auto sep = path.find_last_of("\\/");
    if (sep == std::string::npos) return ".";
    return path.substr(0, sep);
}

std::string UserDataFolder() {
    wchar_t folder[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) {
        std::string path = win32::Narrow(folder);
        while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
        if (!path.empty()) return path;
    }
    return ExecutableFolder();
}

TLocalTime LocalTimeNow() {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    TLocalTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    t.millisecond = st.wMilliseconds;
    return t;
}

// argv holds the words in the ANSI code page, which loses every character outside it; the
// system's own UTF-16 command line keeps them.
std::vector<std::string> CommandLineWords(int argc, char** argv) {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!words)
        return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc)
                        : std::vector<std::string>{};
    std::vector<std::string> out;
    for (int k = 1; k < count; ++k) out.push_back(win32::Narrow(words[k]));
    LocalFree(words);
    return out;
}

std::string ToAnsiText(const std::string& utf8) {
    const std::wstring wide = win32::Widen(utf8);
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

} // namespace zev::os
