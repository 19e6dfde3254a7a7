// Appending coloured text to a chat buffer, with lines held back while the user
// reads older text. The writing runs on the user-interface thread: its own
// appends are written at once, other threads' appends are queued and written
// in batches (see chat_tabs.cpp for the threading design).

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <vector>

#include "app/chat_client.h"
#include "chat/append_queue.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "chat/rich_write.h"
#include "chat/ui_thread.h"
#include "controls/buffer_edit.h"
#include "app/text.h"
#include "net/session.h"

namespace {
// Scroll units (pixels) the view may be above the bottom and still count as
// following the conversation.
constexpr long long end_tolerance = 6;

// Held-back lines are kept up to this many; beyond it the buffer follows the
// text again rather than let a flood of lines grow the queue without bound.
constexpr size_t pending_line_cap = 5000;

// Characters a buffer keeps; past that the oldest lines are dropped
// (rich_write.cpp).
std::atomic<long> scrollback_limit{default_scrollback_limit};

// Above zero while this thread is inside the writing code: a buffer read made
// there must not start another flush in the middle of it.
thread_local int writing_depth = 0;

struct Writing {
    Writing() { ++writing_depth; }
    ~Writing() { --writing_depth; }
};

bool following_end(HWND buffer) {
    // The control hides its scroll bar when the whole text fits, and leaves the
    // last scroll range behind (seen after the buffer is cleared): nothing is
    // out of view then.
    if (!(GetWindowLongPtrW(buffer, GWL_STYLE) & WS_VSCROLL)) return true;
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (!GetScrollInfo(buffer, SB_VERT, &info)) return true;
    const long long bottom = static_cast<long long>(info.nPos) + info.nPage;
    return bottom == 0 || std::llabs(info.nMax - bottom) <= end_tolerance;
}

std::wstring held_text(const std::wstring& text) {
    std::wstring kept(text, 0, std::min(text.size(), pending_text_limit + 1));
    if (kept.size() > pending_text_limit) {
        kept.resize(pending_text_limit);
        // Never keep half of a surrogate pair.
        if (IS_HIGH_SURROGATE(kept.back())) kept.pop_back();
    }
    return kept;
}

bool is_message_colour(COLORREF colour) {
    return colour == colour_channel_message || colour == colour_mention || colour == colour_private_message;
}

void mark_unread(ChatRecord& chat) {
    chat.unread = true;
    // Painted when the message loop is idle: a burst of lines repaints once.
    if (chat.button) InvalidateRect(chat.button, nullptr, TRUE);
}

// Pieces bound for one buffer, written together. A piece added here stands
// for one already written: the write brings the view to the end, so whatever
// follows in the same batch is written too, as it would have been one by one.
struct Batch {
    ChatClient* client = nullptr;
    ChatRecord* chat = nullptr;
    std::vector<PendingLine> pieces;
    // The buffer follows its end: the pieces of this batch go out with it.
    bool following = false;

    void write() {
        if (chat && chat->in_use && chat->buffer && !pieces.empty()) {
            if (leaves_nothing_behind(pieces, scrollback_limit)) renew_buffer(*client, *chat);
            write_pieces(chat->buffer->window, pieces, scrollback_limit);
        }
        pieces.clear();
        following = false;
    }
    void switch_to(ChatRecord& next) {
        if (chat == &next) return;
        write();
        chat = &next;
    }
    // The held-back lines, oldest first; the queue is emptied first.
    void release_held(ChatRecord& held) {
        std::deque<PendingLine> lines;
        lines.swap(held.pending_lines);
        for (PendingLine& line : lines)
            if (!line.text.empty()) pieces.push_back(std::move(line));
    }
};

// One batch per chat: lines of a flood that alternate between chats still go
// out as one write per chat (the order within each chat is kept).
struct Batches {
    Batch of_slot[chat_slot_count];
    long long text_taken = 0;  // characters put into the batches since the run began
    void write_all() {
        for (Batch& batch : of_slot) batch.write();
    }
};

// Text a time-limited run puts into its writes at most: the control takes a
// batch in one call that no clock can interrupt, about half a million
// characters a second under Wine.
constexpr long long slice_text_budget = 40000;

// `text_after`: characters of text that will follow this piece in the same
// chat before the queue is empty. A piece followed by a whole scrollback of
// text would be cut from the front before anyone could see it, so a buffer
// that follows its end skips it: in a flood only the last scrollback's worth
// of lines costs the rich-edit control anything.
void append_piece(ChatClient& client, int slot, const PendingLine& piece, Batches& batches,
                  long long text_after = 0) {
    ChatRecord& chat = client.chats[slot];
    if (!chat.in_use || !chat.buffer) return;
    Batch& batch = batches.of_slot[slot];
    batch.client = &client;
    batch.switch_to(chat);
    HWND buffer = chat.buffer->window;
    const bool at_end =
        batch.following || following_end(buffer) || chat.pending_lines.size() >= pending_line_cap;

    if (piece.text.empty()) {
        PostMessageW(buffer, WM_VSCROLL, SB_BOTTOM, 0);
        batch.release_held(chat);
        return;
    }
    if (at_end) {
        batch.following = true;
        batch.release_held(chat);
        if (text_after < scrollback_limit) {
            batch.pieces.push_back(piece);
            batches.text_taken += text_length_of(piece);
        }
    } else {
        chat.pending_lines.push_back(PendingLine{held_text(piece.text), piece.colour, piece.background, piece.line_break});
    }
    if (slot > 0 && is_message_colour(piece.colour) && client.current_chat != &chat) mark_unread(chat);
}

constexpr const wchar_t* dropped_lines_format =
    L"%u pieces of text were not shown: they came faster than the window could show them.";

// How often a time-limited run looks at the clock, and how much it takes from
// the queue at once.
constexpr size_t clock_check_interval = 256;
constexpr size_t queue_chunk = 4096;

double seconds_since(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Runs the queue in order: the text for each chat goes out as one write, and a
// task runs after the text queued before it is written. With a time limit
// (seconds, 0 = none), what is left when it is up goes back to the front of
// the queue, so that the window answers the user between runs of a flood.
// False when work was left.
bool write_queued(ChatClient& client, Batches& batches, double limit = 0) {
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    // What is queued now, not what a flood adds meanwhile: a run always ends.
    size_t left = queued_work_count();
    for (;;) {
        size_t dropped = 0;
        // Taken a chunk at a time: the queue's lock is never held for long,
        // and what a time limit leaves over goes back cheaply.
        std::vector<QueuedWork> work = take_queued_work(dropped, std::min(left, queue_chunk));
        left -= work.size();
        if (dropped) {
            const std::wstring note = format_text(dropped_lines_format, static_cast<unsigned>(dropped));
            append_piece(client, 0, PendingLine{note, colour_error_text, colour_error_back, true}, batches);
        }
        if (work.empty()) return true;
        // Text after each piece in its chat: later pieces of this chunk,
        // then whatever is still queued.
        std::vector<long long> text_after(work.size());
        {
            long long later[chat_slot_count];
            for (int slot = 0; slot < chat_slot_count; ++slot) later[slot] = queued_text_length(client, slot);
            for (size_t back = work.size(); back-- > 0;) {
                const QueuedWork& queued = work[back];
                if (queued.task || queued.slot < 0 || queued.slot >= chat_slot_count) continue;
                text_after[back] = later[queued.slot];
                later[queued.slot] += text_length_of(queued.piece);
            }
        }
        size_t at = 0;
        for (; at < work.size(); ++at) {
            if (limit > 0 && at % clock_check_interval == clock_check_interval - 1 && seconds_since(start) > limit)
                break;
            if (limit > 0 && batches.text_taken > slice_text_budget) break;
            QueuedWork& queued = work[at];
            if (queued.client != &client) continue;  // a client gone meanwhile (tests make several)
            if (session_is_replaced(queued.session)) continue;  // a connection since replaced
            if (queued.task) {
                batches.write_all();
                queued.task();
                continue;
            }
            if (queued.generation != client.chats[queued.slot].generation) continue;  // closed, slot reused
            append_piece(client, queued.slot, queued.piece, batches, text_after[at]);
        }
        if (at < work.size() || (limit > 0 && (seconds_since(start) > limit || batches.text_taken > slice_text_budget))) {
            work.erase(work.begin(), work.begin() + static_cast<std::ptrdiff_t>(at));
            requeue_at_front(std::move(work));
            return false;
        }
        if (left == 0) return queued_work_count() == 0;
    }
}

// Runs the queue for the append timer; see flush_chat_appends for the rest.
void write_queued_for(ChatClient& client, double limit) {
    if (writing_depth > 0 || !on_ui_thread(client)) return;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    bool wrote = false, done = true;
    {
        Writing writing;
        Batches batches;
        done = write_queued(client, batches, limit);
        for (const Batch& batch : batches.of_slot) wrote = wrote || !batch.pieces.empty();
        batches.write_all();
    }
    if (wrote) note_drain_time(seconds_since(start));
    if (!done) schedule_drain();
}

// `generation`: the chat the caller found in the slot, or nullptr for
// whatever chat the slot holds now.
void append_pieces(ChatClient& client, int slot, const unsigned* generation, const PendingLine* pieces,
                   size_t count) {
    if (slot < 0 || slot >= chat_slot_count) return;
    const unsigned now = client.chats[slot].generation;
    if (!on_ui_thread(client)) {
        queue_pieces(client, slot, generation ? *generation : now, pieces, count);
        return;
    }
    if (generation && *generation != now) return;  // closed since, slot reused
    // Lines queued earlier by other threads go first, unless this append is
    // made by a queued task: the rest of the queue is still being run then.
    const bool inside_drain = writing_depth > 0;
    Writing writing;
    Batches batches;
    if (!inside_drain) write_queued(client, batches);
    for (size_t at = 0; at < count; ++at) append_piece(client, slot, pieces[at], batches);
    batches.write_all();
}
}  // namespace

void set_scrollback_limit(long characters) {
    scrollback_limit = characters > minimum_scrollback ? characters : minimum_scrollback;
}

void append_chat_text(const wchar_t* text, ChatClient& client, int slot, COLORREF colour, COLORREF background,
                      bool line_break) {
    const PendingLine piece{text ? text : L"", colour, background, line_break};
    append_pieces(client, slot, nullptr, &piece, 1);
}

void append_chat_line(ChatClient& client, int slot, const std::vector<PendingLine>& pieces) {
    append_pieces(client, slot, nullptr, pieces.data(), pieces.size());
}

void append_chat_line(ChatClient& client, int slot, unsigned generation, const std::vector<PendingLine>& pieces) {
    append_pieces(client, slot, &generation, pieces.data(), pieces.size());
}

void flush_chat_appends(ChatClient& client) {
    write_queued_for(client, 0);
}

void drain_chat_queue(ChatClient& client) {
    write_queued_for(client, drain_slice_seconds);
}
