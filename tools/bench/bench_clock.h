#pragma once
#include <windows.h>

// Seconds on the high-resolution counter, for the benchmarks' timings.
inline double now_seconds() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// CPU seconds (kernel and user) from GetThreadTimes or GetProcessTimes: the
// work's own cost, which the machine's other load does not swell.
inline double cpu_seconds_of(BOOL(WINAPI* times)(HANDLE, LPFILETIME, LPFILETIME, LPFILETIME, LPFILETIME), HANDLE of) {
    FILETIME created, exited, kernel, user;
    times(of, &created, &exited, &kernel, &user);
    const auto seconds = [](const FILETIME& t) {
        return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) * 1e-7;
    };
    return seconds(kernel) + seconds(user);
}
inline double thread_cpu_seconds() { return cpu_seconds_of(GetThreadTimes, GetCurrentThread()); }
inline double process_cpu_seconds() { return cpu_seconds_of(GetProcessTimes, GetCurrentProcess()); }
