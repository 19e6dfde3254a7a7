#pragma once
// Figures of the chat writing path, for finding where a flood's time goes.
// The counters are always kept (a few additions per run of the queue, one per
// cut or renewal); they are written out only when the environment variable
// QUILLMERE_QUEUE_STATS names a file at start: then each run (and each time
// the timer holds off) adds one line to it, and each time a run leaves the
// queue empty a line of totals follows, with the CPU time of the program's
// threads. User-interface thread unless said.
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
    long long carried = 0;  // characters copied to fresh controls (buffer_carry.h) before the run
    double carry_seconds = 0;
};

// How the writes went since the program started.
struct WritingTotals {
    size_t timer_runs = 0, user_runs = 0;
    size_t holds = 0;           // timer looks that held off for a flood
    double held_seconds = 0;    // from each first hold to the run that wrote
    size_t pieces = 0, skipped = 0;
    long long text = 0;
    size_t fresh = 0;           // buffers replaced by a fresh control, nothing of the old kept
    size_t carried = 0;         // fresh controls that took over the newest text of the old one
    long long carried_text = 0; // characters those took over
    double renewing_seconds = 0, slowest_renewal = 0;  // putting fresh controls in place
    size_t cuts = 0;            // cuts from the front of a buffer
    long long cut_text = 0;     // characters they cut
    double run_seconds = 0, slowest_run = 0;
};
const WritingTotals& writing_totals();

bool queue_stats_on();
void note_run(const RunFigures& run);
void note_hold(double held_seconds_ended);
// A chat buffer replaced by a fresh control rather than cut from the front;
// `carried`: characters of the old one's newest text it took over;
// `seconds`: what putting the fresh control in place took.
void note_renewal(long long carried, double seconds);
void note_front_cut(long long characters);
// After a run that left the queue empty: the totals line (when asked for);
// `chat_text`: characters the chat buffers hold now.
void note_queue_empty(long long chat_text);

// Any thread, once at its start: the thread's CPU time is reported under
// `role` ("receive", "send"); the user-interface thread names itself.
void note_thread_role(const char* role);
