#include "chat/queue_stats.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {
// The file's lines, in one place: tools/flood_compare.py reads them.
constexpr const char* runs_heading =
    "kind start_s run_ms write_ms pieces skipped text kept queued fresh carried cuts cut_text copied copy_ms\n";
constexpr const char* run_format = "%s %.3f %.1f %.1f %zu %zu %lld %zu %zu %zu %zu %zu %lld %lld %.1f\n";
constexpr const char* totals_format =
    "totals timer_runs=%zu user_runs=%zu holds=%zu held_s=%.3f pieces=%zu skipped=%zu text=%lld fresh=%zu "
    "carried=%zu carried_text=%lld renewing_s=%.3f slowest_renewal_ms=%.1f cuts=%zu cut_text=%lld run_s=%.3f "
    "slowest_run_ms=%.1f chat_text=%lld";
constexpr const char* cpu_format = " cpu_%s=%.3f";

WritingTotals totals;

// The latest thread of each role whose CPU time is reported; an earlier one's
// time is added up when the next takes its place and its handle closed, so
// that a storm of reconnections holds no handles.
struct NamedThread {
    const char* role = nullptr;
    HANDLE handle = nullptr;
    double earlier = 0;  // seconds of the role's threads before this one
};
NamedThread named_threads[8];
std::mutex threads_lock;

double seconds_of(const FILETIME& time) {
    ULARGE_INTEGER ticks;
    ticks.LowPart = time.dwLowDateTime;
    ticks.HighPart = time.dwHighDateTime;
    return static_cast<double>(ticks.QuadPart) / 1e7;
}

struct StatsFile {
    FILE* file = nullptr;
    StatsFile() {
        const wchar_t* path = _wgetenv(L"QUILLMERE_QUEUE_STATS");
        if (path && *path) file = _wfopen(path, L"w");
        if (file) std::fputs(runs_heading, file);
    }
    ~StatsFile() {
        if (file) std::fclose(file);
    }
};

StatsFile& stats() {
    static StatsFile shared;
    return shared;
}

double cpu_seconds(HANDLE thread) {
    FILETIME created, ended, kernel, user;
    if (!GetThreadTimes(thread, &created, &ended, &kernel, &user)) return 0;
    return seconds_of(kernel) + seconds_of(user);
}

void write_cpu_times(FILE* file) {
    {
        std::lock_guard<std::mutex> guard(threads_lock);
        for (const NamedThread& thread : named_threads)
            if (thread.role) std::fprintf(file, cpu_format, thread.role, thread.earlier + cpu_seconds(thread.handle));
    }
    FILETIME created, ended, kernel, user;
    if (GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user))
        std::fprintf(file, cpu_format, "process", seconds_of(kernel) + seconds_of(user));
}
}  // namespace

const WritingTotals& writing_totals() {
    return totals;
}

bool queue_stats_on() {
    return stats().file != nullptr;
}

void note_run(const RunFigures& run) {
    static const bool ui_named = (note_thread_role("ui"), true);
    (void)ui_named;
    static WritingTotals before;  // the totals at the last line written
    const bool timer = std::strcmp(run.kind, "timer") == 0;
    if (timer || std::strcmp(run.kind, "user") == 0) {
        ++(timer ? totals.timer_runs : totals.user_runs);
        totals.pieces += run.pieces;
        totals.skipped += run.skipped;
        totals.text += run.text;
        totals.run_seconds += run.seconds + run.carry_seconds;
        totals.slowest_run = std::max(totals.slowest_run, run.seconds + run.carry_seconds);
    }
    StatsFile& s = stats();
    if (!s.file) return;
    std::fprintf(s.file, run_format, run.kind, run.start, run.seconds * 1000, run.writing * 1000, run.pieces,
                 run.skipped, run.text, run.kept, run.queued, totals.fresh - before.fresh,
                 totals.carried - before.carried, totals.cuts - before.cuts, totals.cut_text - before.cut_text,
                 run.carried, run.carry_seconds * 1000);
    std::fflush(s.file);
    before = totals;
}

void note_hold(double held_seconds_ended) {
    if (held_seconds_ended > 0) {
        totals.held_seconds += held_seconds_ended;
        return;
    }
    ++totals.holds;
}

void note_renewal(long long carried, double seconds) {
    totals.renewing_seconds += seconds;
    totals.slowest_renewal = std::max(totals.slowest_renewal, seconds);
    if (carried > 0) {
        ++totals.carried;
        totals.carried_text += carried;
    } else {
        ++totals.fresh;
    }
}

void note_front_cut(long long characters) {
    ++totals.cuts;
    totals.cut_text += characters;
}

void note_queue_empty(long long chat_text) {
    StatsFile& s = stats();
    if (!s.file) return;
    const WritingTotals& t = totals;
    std::fprintf(s.file, totals_format, t.timer_runs, t.user_runs, t.holds, t.held_seconds, t.pieces, t.skipped,
                 t.text, t.fresh, t.carried, t.carried_text, t.renewing_seconds, t.slowest_renewal * 1000, t.cuts,
                 t.cut_text, t.run_seconds,
                 t.slowest_run * 1000, chat_text);
    write_cpu_times(s.file);
    std::fputc('\n', s.file);
    std::fflush(s.file);
}

void note_thread_role(const char* role) {
    HANDLE handle = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &handle,
                         THREAD_QUERY_LIMITED_INFORMATION, FALSE, 0))
        return;
    std::lock_guard<std::mutex> guard(threads_lock);
    for (NamedThread& thread : named_threads) {
        if (thread.role && std::strcmp(thread.role, role) != 0) continue;
        if (thread.handle) {
            thread.earlier += cpu_seconds(thread.handle);
            CloseHandle(thread.handle);
        }
        thread.role = role;
        thread.handle = handle;
        return;
    }
    CloseHandle(handle);
}
