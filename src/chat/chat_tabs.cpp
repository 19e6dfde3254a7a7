// Chat slots: lookup, creation and closing.
//
// Threads (the whole picture is in docs/design.md). The receive thread reads
// slots, appends text and changes chat state while the user-interface thread
// selects, creates and closes chats and appends its own lines. The receive
// thread must answer the server's PING, so it never waits for the window:
// - a slot is taken (or taken out of the look-ups, to be closed) under
//   slot_lock on whichever thread asks, so the receive thread knows at once
//   which chat a line belongs to; the windows are made and destroyed on the
//   user-interface thread, by a task handed over without waiting;
// - everything else that touches windows, a buffer, its held-back lines or
//   the fields the window reads goes to the user-interface thread through one
//   queue (append_queue.cpp) of text pieces and tasks, run in the order it was
//   handed over: a chat's windows are made before its first line is written;
// - each handed-over piece or setter carries the chat's generation (the slot
//   counts the chats it has held): if the chat was closed and its slot
//   reused, it is dropped. Tasks also carry the connection's session and are
//   dropped once it is replaced; text already received is still shown;
// - the queue is run from a timer shortly after the first wake-up, a slice
//   at a time, so a burst of lines costs one rich-edit write per chat; and,
//   within a budget a user does not notice, whenever the user-interface
//   thread appends itself, creates, closes or clears a chat, or a buffer is
//   asked for its text (its read hook): then the tasks and the text of the
//   chat concerned come first (queue_run.cpp);
// - a buffer whose own handler is running the queue is destroyed only when
//   that handler returns (BufferEdit::retire);
// - what other threads read or change directly is guarded by each slot's
//   `lock` (the name and the `users` and `whois_lines` lists; held only around
//   those copies and changes, never across a window message) or is atomic
//   (`in_use`, `closing`, `generation`, the switches the handlers read).

#include "chat/chat_tabs.h"

#include <richedit.h>

#include <cwchar>
#include <utility>

#include "app/chat_client.h"
#include "app/limits.h"
#include "chat/append_queue.h"
#include "chat/sealed_state.h"
#include "chat/palette.h"
#include "controls/buffer_edit.h"
#include "framework/message_box.h"
#include "mainwindow/window_layout.h"
#include "net/irc_commands.h"

namespace {
constexpr const wchar_t* server_tab_name = L"IRC Server";
constexpr const wchar_t* buffer_failure_text = L"Couldn't create RichEditText box";
constexpr const wchar_t* buffer_failure_caption = L"Application error";

// The user lists' control ids follow the slots.
constexpr int user_list_id_base = 1000;

// How much text a buffer may hold; the appends drop the oldest lines beyond the
// scrollback (chat_append.cpp), this is only the control's hard ceiling.
constexpr LPARAM buffer_text_ceiling = 0x7FFFFFFE;

[[noreturn]] void stop_without_buffer() {
    DWORD code = GetLastError();
    show_message_box(nullptr, buffer_failure_text, buffer_failure_caption, MB_OK | MB_ICONERROR);
    ExitProcess(code ? code : 1);
}

void prepare_buffer(ChatClient& client, HWND buffer) {
    // The font first: setting a font resets the default format's weight.
    SendMessageW(buffer, WM_SETFONT, reinterpret_cast<WPARAM>(client.font_normal), FALSE);
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_EFFECTS2;
    format.dwEffects = CFE_BOLD;
    format.crTextColor = colour_white;
    format.crBackColor = colour_black;
    SendMessageW(buffer, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    SendMessageW(buffer, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    SendMessageW(buffer, EM_SETBKGNDCOLOR, 0, colour_black);
    SendMessageW(buffer, EM_EXLIMITTEXT, 0, buffer_text_ceiling);
    // Nobody can undo in a read-only buffer, yet the control would copy every
    // run of text it cuts from the front into its undo list (emptied only by
    // the next RTF write): work for nothing during a flood.
    SendMessageW(buffer, EM_SETUNDOLIMIT, 0, 0);
}

HWND create_tab_button(ChatClient& client, const ChatRecord& chat, const wchar_t* name, int position) {
    const RECT place = tab_button_rect(current_layout_frame(client), chat.is_channel, chat.slot == 0, position);
    HWND button = CreateWindowExW(WS_EX_WINDOWEDGE, L"BUTTON", name, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_LEFT,
                                  place.left, place.top, place.right - place.left, place.bottom - place.top,
                                  client.main_window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(chat.control_id + 1)), client.instance,
                                  nullptr);
    if (button) SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(client.font_normal), FALSE);
    return button;
}

HWND create_user_list(ChatClient& client, int slot) {
    const RECT place = user_list_rect(current_layout_frame(client));
    HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, L"COMBOBOX", L"", WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_HASSTRINGS,
                                place.left, place.top, place.right - place.left, place.bottom - place.top,
                                client.main_window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(user_list_id_base + slot)),
                                client.instance, nullptr);
    if (list) SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(client.font_normal), FALSE);
    return list;
}

void select_tab(ChatClient& client, int slot) {
    SendMessageW(client.main_window, WM_COMMAND, MAKEWPARAM(client.chats[slot].control_id + 1, BN_CLICKED), 0);
}
}  // namespace

int find_chat(ChatClient& client, const wchar_t* name) {
    if (!name) return -1;
    int found = -1;
    for (int slot = 0; slot < chat_slot_count; ++slot) {
        const ChatRecord& chat = client.chats[slot];
        if (!chat.in_use || chat.closing) continue;
        std::lock_guard<std::mutex> guard(chat.lock);
        if (chat.name == name) found = slot;
    }
    return found;
}

std::wstring chat_name(ChatClient& client, int slot) {
    if (slot < 0 || slot >= chat_slot_count) return {};
    const ChatRecord& chat = client.chats[slot];
    std::lock_guard<std::mutex> guard(chat.lock);
    return chat.name;
}

namespace {
// Choosing a free slot and counting it, and taking a chat out of the look-ups,
// happen on whichever thread asks, so that the receive thread knows a chat's
// slot at once without waiting for its windows.
std::mutex slot_lock;

int reserve_slot(ChatClient& client, const wchar_t* name, bool is_channel, unsigned& generation) {
    std::lock_guard<std::mutex> guard(slot_lock);
    if (find_chat(client, name) >= 0) return -1;
    // Slot 0 belongs to the server tab alone: a correspondent there could never
    // be closed.
    const int first = is_channel ? first_channel_slot : 0;
    const int last = is_channel ? last_channel_slot : last_private_slot;
    const int first_free = is_channel || wcscmp(name, server_tab_name) == 0 ? first : first_private_slot;
    int slot = -1;
    for (int candidate = first_free; candidate <= last && slot < 0; ++candidate)
        if (!client.chats[candidate].in_use) slot = candidate;
    if (slot < 0) return -1;

    ChatRecord& chat = client.chats[slot];
    generation = ++chat.generation;
    {
        std::lock_guard<std::mutex> name_guard(chat.lock);
        chat.name = name;
    }
    chat.is_channel = is_channel;
    chat.closing = false;
    // Set last: a thread that finds the slot in use finds it complete.
    chat.in_use = true;
    if (is_channel)
        ++client.channel_count;
    else
        ++client.private_chat_count;
    return slot;
}

// The reserved chat's windows; user-interface thread.
void build_chat_windows(ChatClient& client, int slot, unsigned generation) {
    ChatRecord& chat = client.chats[slot];
    if (!chat.in_use || chat.generation != generation || chat.buffer) return;
    const std::wstring name = chat_name(client, slot);
    // Every buffer is made where the selected chat's stands, hidden unless it
    // is the server tab's; selecting a tab shows it. (A buffer made at zero
    // size would wrap its text one character per line until first shown,
    // which costs dearly as text arrives for a chat nobody has opened yet.)
    const RECT place = buffer_rect(current_layout_frame(client));
    chat.buffer = create_buffer_edit(chat.control_id, client.main_window, client.instance, place, slot == 0);
    if (!chat.buffer) stop_without_buffer();
    chat.buffer->before_read = [&client, slot] { flush_chat_appends(client, slot); };
    prepare_buffer(client, chat.buffer->window);
    const int first = chat.is_channel ? first_channel_slot : 0;
    chat.button = create_tab_button(client, chat, name.c_str(), slot - first);
    if (chat.is_channel) {
        chat.user_list = create_user_list(client, slot);
        select_tab(client, slot);
    }
}

void close_slot(ChatClient& client, int slot) {
    ChatRecord& chat = client.chats[slot];
    // Closed from under the user (kicked, parted by the server): show the server
    // tab rather than leave the window on a chat whose buffer is gone.
    if (client.current_chat == &chat) {
        select_tab(client, 0);
        if (client.current_chat == &chat) {
            client.current_chat = &client.chats[0];
            client.chats[0].selected = true;
        }
    }
    if (chat.button) DestroyWindow(chat.button);
    chat.button = nullptr;
    // Its own handler may be running this (a read that ran the queue).
    BufferEdit::retire(std::move(chat.buffer));
    if (chat.user_list) DestroyWindow(chat.user_list);
    chat.user_list = nullptr;
    const bool was_channel = chat.is_channel;
    if (!was_channel) forget_sealed_chat(client, chat.name);
    std::lock_guard<std::mutex> guard(slot_lock);
    // Every field back to a fresh chat's, on the thread that owns them, before
    // the slot can be taken again.
    reset_chat_record(chat, slot);
    if (was_channel)
        --client.channel_count;
    else
        --client.private_chat_count;
}
}  // namespace

int create_chat(ChatClient& client, const wchar_t* name, bool is_channel, unsigned* generation_out) {
    // A name longer than the close command can copy could never be closed again.
    if (!name || !*name || wcsnlen(name, channel_name_capacity) >= size_t(channel_name_capacity)) return -1;
    const bool ui = on_ui_thread(client);
    if (ui) flush_chat_appends(client);
    unsigned generation = 0;
    const int slot = reserve_slot(client, name, is_channel, generation);
    if (slot < 0) return -1;
    if (generation_out) *generation_out = generation;
    post_ui_task(
        client, [&client, slot, generation] { build_chat_windows(client, slot, generation); }, TaskKind::always);

    if (!is_channel && slot > 0 && client.server_socket.connected) {
        send_command(client.server_socket, irc::userhost, name);
        send_command(client.server_socket, irc::whois, name);
    }
    return slot;
}

void close_chat(ChatClient& client, const wchar_t* name) {
    if (on_ui_thread(client)) {
        flush_chat_appends(client);
        const int slot = find_chat(client, name);
        if (slot > 0) close_slot(client, slot);
        return;
    }
    // Out of the look-ups at once, so that a chat of the same name opened
    // before the windows are gone takes another slot; closed in turn.
    int slot = -1;
    {
        std::lock_guard<std::mutex> guard(slot_lock);
        slot = find_chat(client, name);
        if (slot <= 0) return;
        client.chats[slot].closing = true;
    }
    post_chat_task(
        client, slot, client.chats[slot].generation, [&client, slot](ChatRecord&) { close_slot(client, slot); },
        TaskKind::always);
}

std::unique_ptr<BufferEdit> hidden_buffer(ChatClient& client, ChatRecord& chat) {
    if (!chat.in_use || !chat.buffer) return nullptr;
    RECT place;
    GetWindowRect(chat.buffer->window, &place);
    MapWindowPoints(nullptr, client.main_window, reinterpret_cast<POINT*>(&place), 2);
    std::unique_ptr<BufferEdit> hidden =
        create_buffer_edit(chat.control_id, client.main_window, client.instance, place, false);
    if (!hidden) return nullptr;
    // Without an id until it takes the buffer's place: looked up by its id,
    // the chat's buffer is the one shown.
    SetWindowLongPtrW(hidden->window, GWLP_ID, 0);
    prepare_buffer(client, hidden->window);
    return hidden;
}

void renew_buffer(ChatClient& client, ChatRecord& chat, std::unique_ptr<BufferEdit> successor) {
    if (!chat.in_use || !chat.buffer) return;
    HWND old = chat.buffer->window;
    RECT place;
    GetWindowRect(old, &place);
    MapWindowPoints(nullptr, client.main_window, reinterpret_cast<POINT*>(&place), 2);
    const bool visible = IsWindowVisible(old) != 0;
    std::unique_ptr<BufferEdit> fresh = std::move(successor);
    if (fresh) {
        SetWindowLongPtrW(fresh->window, GWLP_ID, chat.control_id);
        SetWindowPos(fresh->window, old, place.left, place.top, place.right - place.left, place.bottom - place.top,
                     SWP_NOACTIVATE | (visible ? SWP_SHOWWINDOW : 0));
    } else {
        fresh = create_buffer_edit(chat.control_id, client.main_window, client.instance, place, visible);
        if (!fresh) {  // keep the full one rather than none
            SetWindowTextW(old, L"");
            return;
        }
        prepare_buffer(client, fresh->window);
        SetWindowPos(fresh->window, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    fresh->before_read = chat.buffer->before_read;
    const bool had_focus = GetFocus() == old;
    HWND successor_window = fresh->window;
    BufferEdit::retire(std::exchange(chat.buffer, std::move(fresh)), successor_window);
    if (had_focus) SetFocus(chat.buffer->window);
}

void clear_chat(ChatClient& client, int slot) {
    if (slot < 0 || slot >= chat_slot_count) return;
    run_on_ui_thread(client, [&] {
        flush_chat_appends(client);
        ChatRecord& chat = client.chats[slot];
        if (!chat.in_use || !chat.buffer) return;
        // Text queued before the clearing would be cleared with the rest.
        drop_queued_text(client, slot, chat.generation);
        chat.pending_lines.clear();
        chat.mid_line = false;  // the next text starts the buffer's first line
        renew_buffer(client, chat);
    });
}
