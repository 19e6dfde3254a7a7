#pragma once
#include <windows.h>

#include <cstddef>
#include <functional>
#include <vector>

#include "chat/chat_record.h"
#include "chat/ui_thread.h"

class ChatClient;

// What other threads hand to the user-interface thread, in one queue so that
// it happens in the order it was handed over: pieces of chat lines and tasks
// (see chat_tabs.cpp for the threading design). The queue never makes its
// callers wait; a flood beyond its caps drops text and tasks (counted).
struct QueuedWork {
    ChatClient* client = nullptr;
    int slot = 0;
    unsigned generation = 0;  // the slot's chat when queued; a reused slot drops it
    PendingLine piece;        // a piece of text, or
    bool ends_line = true;    // the last piece of its line (queued together)
    std::function<void()> task;
    TaskKind kind = TaskKind::keep;
    // A task's connection; 0 = none (net/session.h). Text has none: a line
    // already received is shown even when its connection has ended since.
    unsigned session = 0;
};

// Entries the queue holds before pieces of text and droppable tasks are
// dropped.
constexpr size_t queued_work_cap = 200000;
// `keep` tasks the queue holds at once; beyond them a hostile server's replies
// (one task each) are dropped and counted rather than grow the queue. `always`
// tasks are never dropped: they are few by design (one per chat's windows,
// coalesced refreshes).
constexpr size_t queued_task_cap = 20000;

// Any thread but the user-interface thread (there only for a line of its own
// that must wait behind work it could not finish, with `may_drop` false: kept
// even over the cap): queues the pieces of one line together (nothing can
// come between them; all or none are kept) and makes sure one wake-up is on
// its way to the main window.
void queue_pieces(ChatClient& client, int slot, unsigned generation, const PendingLine* pieces, size_t count,
                  bool may_drop = true);

// Any thread: queues a task (see TaskKind); all but `always` tasks carry the
// caller's session and are dropped if it is replaced.
void queue_task(ChatClient& client, std::function<void()> task, TaskKind kind);

// What the caps dropped since the last take.
struct DroppedWork {
    size_t pieces = 0;
    size_t tasks = 0;
};

// User-interface thread: takes at most `most` entries queued so far, oldest
// first (more when the last one would split a line: a line's pieces are
// taken together), and what was dropped since the last take. While entries
// are left, the taker must run them (or schedule a run): no wake-up comes.
std::vector<QueuedWork> take_queued_work(DroppedWork& dropped, size_t most);

// Entries queued now.
size_t queued_work_count();

// Characters of text queued now for one chat slot of `client`, as they will
// be shown (a line end counts one, a long piece is cut): text that a flood
// will bring after what is being written.
long long queued_text_length(const ChatClient& client, int slot);
// The most of it queued for any one chat of `client`.
long long largest_queued_text(const ChatClient& client);
long long text_length_of(const PendingLine& piece);
// Characters of text ever queued (as shown), dropped or not: whether more
// came since the last look, though the queue itself stays as long (its
// oldest text leaves as newer comes, a flood's queue stays about as long).
long long text_ever_queued();

// A piece as the buffer shows it: a rich-edit line costs time that grows
// faster than its length (a 64,000-character line takes the window tens of
// seconds), and no server line holds more than about 510 characters, so a
// longer piece is cut and says how much was left out.
constexpr size_t shown_text_limit = 2048;
PendingLine shown_piece(const PendingLine& piece);

// Text waiting for one chat that makes a flood, which the timer holds off
// for while it keeps coming (queue_run.cpp).
constexpr long long flood_text = 50000;

// The receive thread, before a read that may wait (all it has read is
// queued): once a flood's worth of text came since it last said so, the
// timer's hold for that flood ends at once (drain_held_flood_now()) rather
// than at its next look.
void note_receiving_paused(ChatClient& client);
// User-interface thread: whether nothing was queued since the receiving side
// last paused; `ever` is text_ever_queued() as the caller saw it.
bool receiving_paused_at(long long ever);
// User-interface thread: runs the queue now, its timer taken back, if the
// timer holds off for a flood (queue_run.cpp).
void drain_held_flood_now();
bool holding_for_flood();

// User-interface thread: puts work taken but not yet run back in front of
// what was queued since.
void requeue_at_front(std::vector<QueuedWork> work);

// User-interface thread: drops the text queued for the slot's chat of that
// generation (a cleared chat must not get it afterwards); tasks stay.
void drop_queued_text(const ChatClient& client, int slot, unsigned generation);

// The main window's handler of the wake-up: runs the queue shortly after, so
// that a burst of lines costs one write per chat. A run already set keeps its
// time. `at_least_ms`: the shortest wait this time.
void schedule_drain(UINT at_least_ms = 0);
// Takes back a run scheduled while nothing is queued any more.
void cancel_idle_drain();

// What the timer runs: the queue for at most drain_slice_seconds; the rest
// later, so that the window answers the user in between.
constexpr double drain_slice_seconds = 0.05;
void drain_chat_queue(ChatClient& client);

// How long writing the queue took last time; sets the next wait.
void note_drain_time(double seconds);

// The clock the runs of the queue measure themselves with, in seconds (the
// performance counter unless replaced; nullptr puts it back).
double queue_clock();
void set_queue_clock(double (*clock)());
