#pragma once
// Writing queued text into the chat buffers (chat_append.cpp), shared with the
// runs of the hand-over queue (queue_run.cpp). User-interface thread.
#include <algorithm>
#include <vector>

#include "app/limits.h"
#include "chat/chat_record.h"

class ChatClient;

// Pieces bound for one buffer, written together. A piece added here stands
// for one already written: the write brings the view to the end, so whatever
// follows in the same batch is written too, as it would have been one by one.
struct Batch {
    ChatClient* client = nullptr;
    ChatRecord* chat = nullptr;
    std::vector<PendingLine> pieces;
    // The buffer follows its end: the pieces of this batch go out with it.
    bool following = false;
    // Characters of this chat's text still to come after the batch's last
    // piece (the rest of the queue): enough of it cuts everything the buffer
    // holds now.
    long long text_behind = 0;
    // Characters the buffer takes before it must cut its front, and what a
    // character beyond costs; -1 until the batch's first piece looks.
    long long room = -1;
    long long cut_weight = 1;
    long length = 0;  // the buffer's characters then
    long long incoming = 0;  // characters of the pieces

    void write();
    void switch_to(ChatRecord& next);
    // The held-back lines, oldest first; the queue is emptied first.
    void release_held(ChatRecord& held);
};

// One batch per chat: lines of a flood that alternate between chats still go
// out as one write per chat (the order within each chat is kept).
struct Batches {
    Batch of_slot[chat_slot_count];
    // Characters put into the batches since the run began, each one the
    // buffer has no room for counting cut_weight(): the control cuts as much
    // from its front, at a cost that grows with every line left behind.
    long long text_taken = 0;
    // Under Wine a character cut from a full buffer of the default scrollback
    // (500,000 characters) costs about twenty written; never less than six.
    static long long cut_weight(long long buffer_length) { return std::max(6LL, buffer_length / 24000); }
    size_t pieces_taken = 0, pieces_skipped = 0;
    void write_all() {
        for (Batch& batch : of_slot) batch.write();
    }
    bool any() const {
        for (const Batch& batch : of_slot)
            if (!batch.pieces.empty()) return true;
        return false;
    }
};

// Adds a piece for the slot's chat to its batch, or holds it back while the
// user reads older text. `text_after`: characters of text that will follow
// this piece in the same chat before the queue is empty. A piece followed by
// a whole scrollback of text would be cut from the front before anyone could
// see it, so a buffer that follows its end skips it: in a flood only the last
// scrollback's worth of lines costs the rich-edit control anything.
void append_piece(ChatClient& client, int slot, const PendingLine& piece, Batches& batches, long long text_after = 0);

// Whether the buffer shows the end of its text (or near it): a buffer the
// user has scrolled up in holds new lines back.
bool following_end(HWND buffer);

// Above zero while this thread is inside the writing code: a buffer read made
// there must not start a run of the queue in the middle of it.
extern thread_local int writing_depth;
struct Writing {
    Writing() { ++writing_depth; }
    ~Writing() { --writing_depth; }
    Writing(const Writing&) = delete;
    Writing& operator=(const Writing&) = delete;
};

// The user-interface thread's own pieces for a slot (`generation`: the chat
// the caller found there, or nullptr for whatever chat the slot holds now);
// other threads' are queued (queue_run.cpp).
void append_pieces(ChatClient& client, int slot, const unsigned* generation, const PendingLine* pieces,
                   size_t count);
