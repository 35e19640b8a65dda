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

} // namespace

std::uint32_t SetFinestTimerResolution() {
    // ntdll is in every process from its start: taken, never loaded, wherever the system lives.
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr) return 0;
    const auto query = EntryPoint<QueryTimerResolution>(ntdll, "NtQueryTimerResolution");
    const auto set = EntryPoint<SetTimerResolution>(ntdll, "NtSetTimerResolution");
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
