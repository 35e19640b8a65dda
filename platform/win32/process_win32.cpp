// The process's threads from a system snapshot, its environment through the C runtime (which
// getenv reads).

#include "platform/process.h"

#include <windows.h>

#include <cstdlib>
#include <tlhelp32.h>

namespace zev::os {

int OwnThreadCount() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    const DWORD self = GetCurrentProcessId();
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == self) ++count;
    CloseHandle(snapshot);
    return count;
}

void SetProcessEnv(const std::string& pName, const std::optional<std::string>& pValue) {
    _putenv_s(pName.c_str(), pValue ? pValue->c_str() : "");
}

} // namespace zev::os
