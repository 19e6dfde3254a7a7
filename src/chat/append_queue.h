#pragma once
#include <windows.h>

#include <vector>

#include "chat/chat_record.h"

class ChatClient;

// Pieces of chat lines written by other threads, waiting for the
// user-interface thread (see chat_tabs.cpp for the threading design).
struct QueuedPiece {
    ChatClient* client;
    int slot;
    unsigned generation;  // the slot's chat when queued; a reused slot drops it
    PendingLine piece;
};

// Any thread but the user-interface thread: queues the pieces of one line
// together (nothing can come between them) and makes sure one wake-up is on
// its way to the main window. `generation` is the slot's chat the pieces
// belong to: if the slot holds another chat when they are written, they are
// dropped.
void queue_pieces(ChatClient& client, int slot, unsigned generation, const PendingLine* pieces, size_t count);

// User-interface thread: takes everything queued so far, oldest first.
std::vector<QueuedPiece> take_queued_pieces();

// The main window's handler of the wake-up (a posted msg_run_on_ui_thread
// whose lparam is wake_up_mark): writes the queue out shortly after, so that
// a burst of lines costs one write per chat.
extern const LPARAM wake_up_mark;
void schedule_drain();

// How long writing the queue took last time; sets the next wait.
void note_drain_time(double seconds);
