// Appending coloured text to a chat buffer, with lines held back while the user
// reads older text. Runs on the user-interface thread; other threads' calls are
// handed over there (see chat_tabs.cpp for the threading rule).

#include <windows.h>

#include <richedit.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <deque>
#include <iterator>

#include "app/chat_client.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "controls/buffer_edit.h"

namespace {
// Scroll units (pixels) the view may be above the bottom and still count as
// following the conversation.
constexpr long long end_tolerance = 6;

// Held-back lines are kept up to this many; beyond it the buffer follows the
// text again rather than let a flood of lines grow the queue without bound.
constexpr size_t pending_line_cap = 5000;

// Characters a buffer keeps; past that the oldest lines are dropped, a fiftieth
// of the limit at a time: deleting from the front of a large rich-edit text
// costs time in proportion to what is deleted (and worse than that for large
// pieces), so small regular cuts keep every append quick.
std::atomic<long> scrollback_limit{default_scrollback_limit};

constexpr const wchar_t* line_break_text = L"\r\n";

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

void drop_oldest_lines(HWND buffer) {
    GETTEXTLENGTHEX how{GTL_NUMCHARS, 1200};
    const LONG length = static_cast<LONG>(SendMessageW(buffer, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how), 0));
    const LONG limit = scrollback_limit;
    if (length <= limit) return;
    LONG cut = length - limit + limit / 50;
    // Cut after the end of the line the cut falls into, so that no half line
    // stays on top.
    wchar_t after[1024];
    TEXTRANGEW range{{cut, cut + static_cast<LONG>(std::size(after)) - 1}, after};
    const LONG read = static_cast<LONG>(SendMessageW(buffer, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range)));
    for (LONG at = 0; at < read; ++at) {
        if (after[at] != L'\r' && after[at] != L'\n') continue;
        cut += at + (after[at] == L'\r' && at + 1 < read && after[at + 1] == L'\n' ? 2 : 1);
        break;
    }
    CHARRANGE front{0, cut};
    SendMessageW(buffer, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&front));
    SendMessageW(buffer, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
}

void write_line(HWND buffer, const wchar_t* text, COLORREF colour, COLORREF background, bool line_break) {
    CHARRANGE end{LONG_MAX, LONG_MAX};
    SendMessageW(buffer, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    if (colour != keep_format && background != keep_format) {
        CHARFORMAT2W format{};
        format.cbSize = sizeof format;
        format.dwMask = CFM_EFFECTS2;  // every effect named, only bold switched on
        format.dwEffects = CFE_BOLD;
        format.crTextColor = colour;
        format.crBackColor = background;
        SendMessageW(buffer, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }
    SendMessageW(buffer, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    if (line_break) SendMessageW(buffer, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(line_break_text));
}

// Writes the held-back lines, oldest first. The queue is taken out first so
// that nothing reached while writing can see it half written.
void release_held_lines(ChatRecord& chat, HWND buffer) {
    std::deque<PendingLine> held;
    held.swap(chat.pending_lines);
    for (const PendingLine& line : held)
        if (!line.text.empty()) write_line(buffer, line.text.c_str(), line.colour, line.background, line.line_break);
}

std::wstring held_text(const wchar_t* text) {
    std::wstring kept(text, wcsnlen(text, pending_text_limit + 1));
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

void append_here(const wchar_t* text, ChatClient& client, int slot, COLORREF colour, COLORREF background,
                 bool line_break) {
    ChatRecord& chat = client.chats[slot];
    if (!chat.in_use || !chat.buffer) return;
    HWND buffer = chat.buffer->window;
    const bool at_end = following_end(buffer) || chat.pending_lines.size() >= pending_line_cap;

    if (!*text) {
        PostMessageW(buffer, WM_VSCROLL, SB_BOTTOM, 0);
        release_held_lines(chat, buffer);
        return;
    }
    if (at_end) {
        release_held_lines(chat, buffer);
        drop_oldest_lines(buffer);
        write_line(buffer, text, colour, background, line_break);
    } else {
        chat.pending_lines.push_back(PendingLine{held_text(text), colour, background, line_break});
    }
    if (slot > 0 && is_message_colour(colour) && client.current_chat != &chat) mark_unread(chat);
}
}  // namespace

void set_scrollback_limit(long characters) {
    scrollback_limit = characters > minimum_scrollback ? characters : minimum_scrollback;
}

void append_chat_text(const wchar_t* text, ChatClient& client, int slot, COLORREF colour, COLORREF background,
                      bool line_break) {
    if (slot < 0 || slot >= chat_slot_count) return;
    if (!text) text = L"";
    run_on_ui_thread(client, [&] { append_here(text, client, slot, colour, background, line_break); });
}
