#include "chat/queue_stats.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {
struct StatsFile {
    FILE* file = nullptr;
    size_t renewals = 0;
    StatsFile() {
        const wchar_t* path = _wgetenv(L"QUILLMERE_QUEUE_STATS");
        if (path && *path) file = _wfopen(path, L"w");
        if (file) std::fprintf(file, "kind start_s run_ms write_ms pieces skipped text kept queued renewals\n");
    }
    ~StatsFile() {
        if (file) std::fclose(file);
    }
};

StatsFile& stats() {
    static StatsFile shared;
    return shared;
}
}  // namespace

bool queue_stats_on() {
    return stats().file != nullptr;
}

void note_run(const RunFigures& run) {
    StatsFile& s = stats();
    if (!s.file) return;
    std::fprintf(s.file, "%s %.3f %.1f %.1f %zu %zu %lld %zu %zu %zu\n", run.kind, run.start, run.seconds * 1000,
                 run.writing * 1000, run.pieces, run.skipped, run.text, run.kept, run.queued, s.renewals);
    std::fflush(s.file);
}

void note_renewal() {
    ++stats().renewals;
}
