#include "platform/timing.h"

#include "core/error.h"

#include <windows.h>

#include <algorithm>

namespace zev {
namespace detail {

std::int64_t QueryCounter() {
    LARGE_INTEGER value{};
    QueryPerformanceCounter(&value);
    return value.QuadPart;
}

std::int64_t QueryFrequency() {
    LARGE_INTEGER value{};
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
}

// Sleep takes 32 bits and reads 0xFFFFFFFF as "forever": longer waits go in pieces.
void SleepWholeMs(std::int64_t ms) {
    while (ms > 0) {
        const std::int64_t piece = std::min<std::int64_t>(ms, 0x7FFFFFFF);
        Sleep(static_cast<DWORD>(piece));
        ms -= piece;
    }
}

} // namespace detail

namespace {

// The timer entry points of the system library, in 100 ns units.
using QueryTimerResolution = LONG(WINAPI*)(ULONG* coarsest, ULONG* finest, ULONG* current);
using SetTimerResolution = LONG(WINAPI*)(ULONG desired, BOOLEAN set, ULONG* current);

template <typename Fn> Fn EntryPoint(HMODULE library, const char* name) {
    // void (*)() converts to and from any function pointer type without a warning.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

class LoadedLibrary {
public:
    explicit LoadedLibrary(const wchar_t* path) : FHandle(LoadLibraryW(path)) {}
    ~LoadedLibrary() {
        if (valid()) FreeLibrary(FHandle);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    bool valid() const {
        return FHandle != nullptr && FHandle != reinterpret_cast<HMODULE>(INVALID_HANDLE_VALUE);
    }
    HMODULE get() const { return FHandle; }

private:
    HMODULE FHandle;
};

} // namespace

std::uint32_t SetFinestTimerResolution() {
    const LoadedLibrary ntdll(L"C:\\Windows\\System32\\ntdll.dll");
    if (!ntdll.valid()) return 0;
    const auto query = EntryPoint<QueryTimerResolution>(ntdll.get(), "NtQueryTimerResolution");
    const auto set = EntryPoint<SetTimerResolution>(ntdll.get(), "NtSetTimerResolution");
    if (query == nullptr || set == nullptr) Raise("");
    ULONG coarsest = 0;
    ULONG finest = 0;
    ULONG current = 0;
    query(&coarsest, &finest, &current);
    set(finest, TRUE, &current);
    return current;
}

bool TimerResolutionSettable() {
    return true;
}

} // namespace zev
