#pragma once
// What a test or a benchmark reads off its own process while the program runs
// in it: threads, handles, peak memory, and how long the main window takes to
// answer. Header-only and free of GoogleTest, so that benchmarks use it too.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <atomic>
#include <thread>

namespace probe {

inline int thread_count() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    const DWORD own = GetCurrentProcessId();
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == own) ++count;
    CloseHandle(snapshot);
    return count;
}

// Wine answers GetProcessHandleCount with 0. There the handle values are
// tried one by one: Wine hands them out as multiples of 4 from the bottom of
// the process's table, and asks nothing of the objects behind them.
inline int handles_by_trying_values() {
    int count = 0, misses = 0;
    for (ULONG_PTR value = 4; misses < 4096; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            misses = 0;
        } else {
            ++misses;
        }
    }
    return count;
}

inline int handle_count() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) return static_cast<int>(count);
    return handles_by_trying_values();
}

struct PeakMemory {
    double working_set_mb = 0;
    double pagefile_mb = 0;  // private memory committed at the worst moment
};

inline PeakMemory peak_memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return {};
    return {counters.PeakWorkingSetSize / 1048576.0, counters.PeakPagefileUsage / 1048576.0};
}

// Asks the window for WM_NULL every interval from a thread of its own, the
// way the system decides that a window has stopped responding, and keeps the
// longest answer. A probe still unanswered after `give_up_ms` counts as that
// long and as a miss.
class ResponsivenessWatcher {
public:
    explicit ResponsivenessWatcher(HWND window, DWORD interval_ms = 50, UINT give_up_ms = 10000)
        : thread_([this, window, interval_ms, give_up_ms] { watch(window, interval_ms, give_up_ms); }) {}
    ~ResponsivenessWatcher() { stop(); }
    ResponsivenessWatcher(const ResponsivenessWatcher&) = delete;
    ResponsivenessWatcher& operator=(const ResponsivenessWatcher&) = delete;

    void stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    double worst_ms() const { return worst_us_ / 1000.0; }
    int probes() const { return probes_; }
    int misses() const { return misses_; }
    // Whether the most recent probe was answered in time.
    bool last_answered() const { return last_answered_; }

private:
    void watch(HWND window, DWORD interval_ms, UINT give_up_ms) {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        while (!stop_) {
            LARGE_INTEGER before, after;
            QueryPerformanceCounter(&before);
            DWORD_PTR result = 0;
            const bool answered =
                SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, give_up_ms, &result) != 0;
            QueryPerformanceCounter(&after);
            long long us = (after.QuadPart - before.QuadPart) * 1000000 / frequency.QuadPart;
            if (!answered) {
                ++misses_;
                if (us < static_cast<long long>(give_up_ms) * 1000) us = static_cast<long long>(give_up_ms) * 1000;
            }
            if (us > worst_us_) worst_us_ = us;
            last_answered_ = answered;
            ++probes_;
            Sleep(interval_ms);
        }
    }

    std::atomic<bool> stop_{false};
    std::atomic<long long> worst_us_{0};
    std::atomic<int> probes_{0}, misses_{0};
    std::atomic<bool> last_answered_{false};
    std::thread thread_;
};

}  // namespace probe
