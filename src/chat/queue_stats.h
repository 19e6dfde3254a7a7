#pragma once
// Figures of the hand-over queue's runs, for finding where a flood's time goes:
// with the environment variable QUILLMERE_QUEUE_STATS naming a file, each run
// (and each time the timer holds off) adds one line to it; unset, nothing is
// counted or written. User-interface thread.
#include <cstddef>

struct RunFigures {
    const char* kind = "";  // "timer", "user" or "held"
    double start = 0;       // queue_clock() seconds
    double seconds = 0;     // the whole run
    double writing = 0;     // of which the last writes of its batches
    size_t pieces = 0;      // pieces of text written
    size_t skipped = 0;     // pieces a whole scrollback of newer text would cut
    long long text = 0;     // characters written, weighted as the run counts them (chat_batches.h)
    size_t kept = 0;        // work left for later
    size_t queued = 0;      // work queued after the run
};

bool queue_stats_on();
void note_run(const RunFigures& run);
// A chat buffer replaced by a fresh control rather than cut from the front.
void note_renewal();
