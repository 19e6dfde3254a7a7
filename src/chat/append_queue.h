#pragma once
#include <windows.h>

#include <cstddef>
#include <functional>
#include <vector>

#include "chat/chat_record.h"

class ChatClient;

// What other threads hand to the user-interface thread, in one queue so that
// it happens in the order it was handed over: pieces of chat lines and tasks
// (see chat_tabs.cpp for the threading design). The queue never makes its
// callers wait; a flood beyond its cap drops text (counted) and droppable tasks.
struct QueuedWork {
    ChatClient* client = nullptr;
    int slot = 0;
    unsigned generation = 0;  // the slot's chat when queued; a reused slot drops it
    unsigned session = 0;     // the connection it came from; 0 = none (net/session.h)
    PendingLine piece;        // a piece of text, or
    std::function<void()> task;
};

// Entries the queue holds before pieces of text and droppable tasks are
// dropped (tasks that must run are always kept; they are few).
constexpr size_t queued_work_cap = 200000;

// Any thread but the user-interface thread: queues the pieces of one line
// together (nothing can come between them; all or none are kept) and makes
// sure one wake-up is on its way to the main window.
void queue_pieces(ChatClient& client, int slot, unsigned generation, const PendingLine* pieces, size_t count);

// Any thread: queues a task; `droppable` tasks go when the queue is over its
// cap; `session_bound` ones are dropped if the caller's session is replaced.
void queue_task(ChatClient& client, std::function<void()> task, bool droppable, bool session_bound);

// User-interface thread: takes at most `most` entries queued so far, oldest
// first, and the number of pieces dropped since the last take. While entries
// are left, the taker must run them (or schedule a run): no wake-up comes.
std::vector<QueuedWork> take_queued_work(size_t& dropped_pieces, size_t most);

// Entries queued now.
size_t queued_work_count();

// Characters of text queued now for one chat slot of `client` (a line end
// counts one): text that a flood will bring after what is being written.
long long queued_text_length(const ChatClient& client, int slot);
long long text_length_of(const PendingLine& piece);

// User-interface thread: puts work taken but not yet run back in front of
// what was queued since.
void requeue_at_front(std::vector<QueuedWork> work);

// The main window's handler of the wake-up: runs the queue shortly after, so
// that a burst of lines costs one write per chat.
void schedule_drain();

// What the timer runs: the queue for at most drain_slice_seconds; the rest
// later, so that the window answers the user in between.
constexpr double drain_slice_seconds = 0.05;
void drain_chat_queue(ChatClient& client);

// How long writing the queue took last time; sets the next wait.
void note_drain_time(double seconds);
