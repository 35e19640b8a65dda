#include "gui/win32/dll_search.h"

#include <windows.h>

namespace zev::win32 {

namespace {

using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);

} // namespace

void RestrictDllSearchToSystemFolder() {
    // Windows 7 without its loader update lacks SetDefaultDllDirectories: it is looked up, not
    // imported. kernel32 is always loaded.
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto setDefault =
        kernel != nullptr
            ? reinterpret_cast<TSetDefaultDllDirectories>(
                  reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
            : nullptr;
    if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Without it: at least take the current folder out of the search.
    SetDllDirectoryW(L"");
}

} // namespace zev::win32
