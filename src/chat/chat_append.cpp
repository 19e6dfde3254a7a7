// Appending coloured text to a chat buffer, with lines held back while the user
// reads older text. The writing runs on the user-interface thread: its own
// appends are written at once, other threads' appends are queued and written
// in batches (queue_run.cpp; see chat_tabs.cpp for the threading design).

#include <windows.h>

#include <algorithm>
#include <climits>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <vector>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/append_queue.h"
#include "chat/buffer_carry.h"
#include "chat/chat_batches.h"
#include "chat/chat_tabs.h"
#include "chat/line_time.h"
#include "chat/palette.h"
#include "chat/queue_stats.h"
#include "chat/rich_write.h"
#include "controls/buffer_edit.h"

thread_local int writing_depth = 0;

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
    return colour == colour_channel_message || colour == colour_mention || colour == colour_private_message ||
           colour == colour_action;
}

void mark_unread(ChatRecord& chat) {
    chat.unread = true;
    // Painted when the message loop is idle: a burst of lines repaints once.
    if (chat.button) InvalidateRect(chat.button, nullptr, TRUE);
}
}  // namespace

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

void Batch::write() {
    if (chat && chat->in_use && chat->buffer && !pieces.empty()) {
        const long limit = scrollback_limit;
        const long long added = incoming_length(pieces);
        const long length = buffer_text_length(chat->buffer->window);
        WritePath path = write_path(length, added + text_behind, limit);
        // A buffer being carried over takes its text uncut, up to twice the
        // scrollback: a carry that falls that far behind is given up.
        if (carrying(*chat)) path = length + added <= 2LL * limit ? WritePath::carry : WritePath::fresh;
        if (path == WritePath::fresh) {
            const double start = queue_clock();
            drop_carry(*chat);
            renew_buffer(*client, *chat);
            note_renewal(0, queue_clock() - start);
        } else if (path == WritePath::carry && !carrying(*chat)) {
            start_carry(*client, *chat, added + text_behind, limit);
        }
        write_pieces(chat->buffer->window, pieces, carrying(*chat) ? LONG_MAX : limit);
    }
    pieces.clear();
    following = false;
    text_behind = 0;
    room = -1;
    incoming = 0;
}

void Batch::switch_to(ChatRecord& next) {
    if (chat == &next) return;
    write();
    chat = &next;
}

void Batch::release_held(ChatRecord& held) {
    std::deque<PendingLine> lines;
    lines.swap(held.pending_lines);
    for (PendingLine& line : lines)
        if (!line.text.empty()) pieces.push_back(std::move(line));
}

void append_piece(ChatClient& client, int slot, const PendingLine& piece, Batches& batches, long long text_after) {
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
    // The time goes into the line's first piece, so it is written with the
    // line in the same insertion.
    const bool line_start = !chat.mid_line;
    const bool stamped = client.show_times && (line_start || has_inner_lines(piece));
    if (!client.show_times) note_times_off();
    chat.mid_line = !ends_line(piece);
    if (at_end) {
        batch.following = true;
        batch.release_held(chat);
        batch.text_behind = text_after;
        if (text_after < scrollback_limit) {
            batch.pieces.push_back(shown_piece(piece));
            if (stamped) stamp_line_time(batch.pieces.back(), line_start);
            if (batch.room < 0) {
                batch.length = buffer_text_length(buffer);
                batch.room = std::max(0L, scrollback_limit - batch.length);
                batch.cut_weight = Batches::cut_weight(batch.length);
            }
            const long long added = text_length_of(piece);  // as shown, its line's time counted
            batch.incoming += added;
            // Only a little text is cut for; more goes into a fresh control
            // or one the buffer is carried over to (Batch::write).
            const bool cut = !carrying(chat) && write_path(batch.length, batch.incoming + text_after,
                                                           scrollback_limit) == WritePath::cut;
            const long long fits = cut ? std::min(added, batch.room) : added;
            batch.room -= std::min(fits, batch.room);
            batches.text_taken += fits + (added - fits) * batch.cut_weight;
            ++batches.pieces_taken;
        } else {
            ++batches.pieces_skipped;
        }
    } else {
        PendingLine held{held_text(piece.text), piece.colour, piece.background, piece.line_break, piece.runs,
                         piece.server_time, piece.arrived};
        if (stamped) stamp_line_time(held, line_start);  // beyond the cut: the text is kept whole
        chat.pending_lines.push_back(std::move(held));
    }
    if (slot > 0 && is_message_colour(piece.colour) && client.current_chat != &chat) mark_unread(chat);
}

long scrollback_characters() {
    return scrollback_limit;
}

void set_scrollback_limit(long characters) {
    scrollback_limit = characters > minimum_scrollback ? characters : minimum_scrollback;
}

void append_server_line(ChatClient& client, const std::wstring& text, bool error) {
    append_chat_text(text.c_str(), client, 0, error ? colour_error_text : colour_server_text,
                     error ? colour_error_back : colour_black, true);
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
