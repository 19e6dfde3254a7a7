#include "chat/buffer_carry.h"

#include <richedit.h>

#include <algorithm>
#include <memory>
#include <string>

#include "app/chat_client.h"
#include "chat/append_queue.h"
#include "chat/chat_batches.h"
#include "chat/chat_tabs.h"
#include "chat/queue_stats.h"
#include "chat/rich_write.h"
#include "controls/buffer_edit.h"

namespace {
// Cutting the front costs Batches::cut_weight() characters written per
// character cut; copying to a fresh control about this many.
constexpr long long copy_weight = 2;
// A cut that costs less than about this many characters written (some 20 ms)
// is made, whatever a carry would cost: a line at a time, a chat's buffer is
// cut. A run's share of text counts what it cuts (chat_batches.h), so that a
// slice cuts about that much at the most.
constexpr long long carry_above_cut_cost = 20000;

struct Carry {
    const ChatClient* client = nullptr;
    unsigned generation = 0;
    HWND source = nullptr;  // the chat's buffer being carried
    std::unique_ptr<BufferEdit> successor;
    long next = 0;  // the source's first character not copied yet
    long long copied = 0;
};

Carry carries[chat_slot_count];

DWORD CALLBACK collect_rtf(DWORD_PTR cookie, LPBYTE bytes, LONG count, LONG* taken) {
    reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(count));
    *taken = count;
    return 0;
}

// Copies characters [from, to) of `source`, formats and all, to the end of
// `target`. The source follows its end, and is left so.
void copy_range(HWND source, HWND target, long from, long to) {
    std::string rtf;
    {
        RedrawOff quiet(source);
        CHARRANGE range{from, to};
        SendMessageW(source, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&rtf), 0, collect_rtf};
        SendMessageW(source, EM_STREAMOUT, SF_RTF | SFF_SELECTION, reinterpret_cast<LPARAM>(&stream));
        select_end(source);
        SendMessageW(source, EM_SCROLLCARET, 0, 0);
    }
    select_end(target);
    SETTEXTEX how{ST_SELECTION, CP_ACP};
    SendMessageW(target, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how), reinterpret_cast<LPARAM>(rtf.c_str()));
}

void discard(Carry& carry) {
    if (BufferEdit* successor = carry.successor.get()) {
        // Gone with its parent window (a client that ended): only the object is left.
        if (IsWindow(successor->window) &&
            GetWindowLongPtrW(successor->window, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(successor)) {
            BufferEdit::retire(std::move(carry.successor));
        } else {
            successor->window = nullptr;
            carry.successor.reset();
        }
    }
    carry = Carry{};
}

bool current(const Carry& carry, const ChatRecord& chat) {
    return carry.successor && chat.in_use && chat.buffer && chat.buffer->window == carry.source &&
           chat.generation == carry.generation;
}
}  // namespace

WritePath write_path(long length, long long text, long limit) {
    if (leaves_nothing_behind(text, limit)) return WritePath::fresh;
    const long long cut = length + text - limit + cut_step(limit);
    if (cut <= 0) return WritePath::room;
    const long long cut_cost = cut * Batches::cut_weight(length);
    if (text >= limit / 2) return cut_cost > carry_above_cut_cost ? WritePath::fresh : WritePath::cut;
    const long long carry_cost = (limit / 2 - text) * copy_weight;
    return cut_cost > carry_above_cut_cost && cut_cost > carry_cost ? WritePath::carry : WritePath::cut;
}

void start_carry(ChatClient& client, ChatRecord& chat, long long text, long limit) {
    if (chat.slot < 0 || chat.slot >= chat_slot_count || !chat.buffer) return;
    Carry& carry = carries[chat.slot];
    discard(carry);
    HWND source = chat.buffer->window;
    const long length = buffer_text_length(source);
    const long long keep = std::max(0LL, static_cast<long long>(limit) / 2 - text);
    long from = static_cast<long>(std::max(0LL, length - keep));
    if (from > 0) from = line_start_after(source, from);  // whole lines only
    std::unique_ptr<BufferEdit> successor = hidden_buffer(client, chat);
    if (!successor) return;  // the buffer is cut as before
    carry.client = &client;
    carry.generation = chat.generation;
    carry.source = source;
    carry.successor = std::move(successor);
    carry.next = from;
}

bool carrying(const ChatRecord& chat) {
    return chat.slot >= 0 && chat.slot < chat_slot_count && current(carries[chat.slot], chat);
}

long long advance_carries(ChatClient& client, long long characters) {
    long long copied = 0;
    for (int slot = 0; slot < chat_slot_count; ++slot) {
        Carry& carry = carries[slot];
        if (!carry.successor || carry.client != &client) continue;
        ChatRecord& chat = client.chats[slot];
        if (!current(carry, chat)) {
            discard(carry);
            continue;
        }
        if (!following_end(carry.source)) continue;  // the reader's view stays as it is
        // The source's read hook must not run the queue in the middle of this.
        Writing writing;
        const long end = buffer_text_length(carry.source);
        while (carry.next < end && (characters <= 0 || copied < characters)) {
            long to = end;
            if (characters > 0 && carry.next + (characters - copied) < end)
                to = line_start_after(carry.source, static_cast<LONG>(carry.next + (characters - copied)));
            if (to <= carry.next) to = end;  // a line longer than the share goes whole
            copy_range(carry.source, carry.successor->window, carry.next, to);
            copied += to - carry.next;
            carry.copied += to - carry.next;
            carry.next = to;
        }
        if (carry.next < end) continue;
        std::unique_ptr<BufferEdit> successor = std::move(carry.successor);
        const long long carried = std::max(1LL, carry.copied);
        carry = Carry{};
        const double start = queue_clock();
        renew_buffer(client, chat, std::move(successor));
        note_renewal(carried, queue_clock() - start);
        select_end(chat.buffer->window);
        SendMessageW(chat.buffer->window, EM_SCROLLCARET, 0, 0);
    }
    return copied;
}

bool carries_under_way(const ChatClient& client) {
    // One waiting for its reader to come back to the end goes on with the
    // next write, not with a timer that runs meanwhile for nothing.
    for (const Carry& carry : carries)
        if (carry.successor && carry.client == &client && IsWindow(carry.source) && following_end(carry.source))
            return true;
    return false;
}

void drop_carry(const ChatRecord& chat) {
    if (chat.slot < 0 || chat.slot >= chat_slot_count || !chat.buffer) return;
    if (carries[chat.slot].source == chat.buffer->window) discard(carries[chat.slot]);
}
