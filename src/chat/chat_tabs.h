#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "chat/chat_record.h"

#include "chat/ui_thread.h"

class ChatClient;

// Application messages of the main window: other threads have chat tabs made
// and closed on the user-interface thread (wparam: the name, const wchar_t*).
// msg_run_on_ui_thread (WM_USER + 4, chat/ui_thread.h) carries their other
// calls and wakes the user-interface thread for their queued appends.
constexpr UINT msg_build_controls = WM_USER;
constexpr UINT msg_open_channel = WM_USER + 1;
constexpr UINT msg_open_private_chat = WM_USER + 2;
constexpr UINT msg_close_chat = WM_USER + 3;

// Slot of the in-use chat with exactly this name (case-sensitive), or -1.
int find_chat(ChatClient& client, const wchar_t* name);

// A copy of the slot's name, safe on any thread (empty for a bad slot).
std::wstring chat_name(ChatClient& client, int slot);

// Any thread, without waiting for the user-interface thread. create_chat takes
// a free slot at once (the look-ups find it from then on) and has its windows
// made there; it returns the slot (and its generation), or -1. close_chat takes
// the chat out of the look-ups at once and has it closed there.
int create_chat(ChatClient& client, const wchar_t* name, bool is_channel, unsigned* generation = nullptr);
void close_chat(ChatClient& client, const wchar_t* name);

// Any thread. Opens (and optionally selects) a private chat; slot or -1.
int open_private_chat(ChatClient& client, const wchar_t* nickname, bool select);

// Any thread. Asks the server to join; `channel` loses its leading '#' in place.
void request_join(wchar_t* channel, ChatClient& client, const wchar_t* key);

// Any thread. Appends text in the given colours (see chat/palette.h), held
// back while the user has scrolled the buffer up. Empty text scrolls to the end
// and releases held-back lines.
void append_chat_text(const wchar_t* text, ChatClient& client, int slot, COLORREF colour, COLORREF background,
                      bool line_break);

// Any thread. A whole line in the server tab, in the server's colours or, for
// an error, the error colours.
void append_server_line(ChatClient& client, const std::wstring& text, bool error = false);

// Any thread. Appends the pieces as one line (the last piece should end it):
// nothing written meanwhile by another thread can come between them.
void append_chat_line(ChatClient& client, int slot, const std::vector<PendingLine>& pieces);

// The same for the chat of that generation only (a look-up's ChatRecord
// generation): the line is dropped if that chat is closed and its slot reused
// before the line is written.
void append_chat_line(ChatClient& client, int slot, unsigned generation, const std::vector<PendingLine>& pieces);

// User-interface thread (elsewhere it does nothing), before a user's action:
// runs what other threads queued that the action needs, in order, within a
// budget of about a tenth of a second: every task (a chat's windows, its
// closing) and the text of `slot`'s chat (-1: none). Other chats' text waits
// for the timer, in its order. False when the budget ran out before the end
// (queued tasks may still be waiting); further runs within that time leave
// everything to the timer at once. Everything here that reads or changes the
// chats calls it first; so does a buffer asked for its text. Inside a run of
// the queue (a task) it does nothing and returns true.
bool flush_chat_appends(ChatClient& client, int slot = -1);

// User-interface thread: all of the queue now, however long it takes (the end
// of a benchmark, a test that floods).
void write_out_queue(ChatClient& client);

// Characters each chat buffer keeps; the oldest lines beyond are dropped as
// new ones arrive. Any thread.
constexpr long default_scrollback_limit = 500000;
constexpr long minimum_scrollback = 10000;
void set_scrollback_limit(long characters);
long scrollback_characters();

// Any thread. Empties the slot's buffer and drops its held-back lines.
// Replaces the chat's buffer by an empty control in the same place: emptying
// a full rich-edit control costs seconds, destroying one costs next to
// nothing. User-interface thread.
// `successor`: a control of hidden_buffer to put in its place, text and all.
void renew_buffer(ChatClient& client, ChatRecord& chat, std::unique_ptr<BufferEdit> successor = nullptr);
// A hidden buffer control for the chat, ready to be written and then to take
// its buffer's place through renew_buffer; nullptr when none can be made.
std::unique_ptr<BufferEdit> hidden_buffer(ChatClient& client, ChatRecord& chat);

void clear_chat(ChatClient& client, int slot);

// Any thread, without waiting: set on the user-interface thread, for the chat
// of that slot and generation only (as a look-up saw it), so that a value
// never lands on a chat that took the slot over meanwhile.
void set_peer_ip(ChatClient& client, int slot, unsigned generation, const wchar_t* address);
void set_user_host(ChatClient& client, int slot, unsigned generation, const wchar_t* user_host);

// The same for whatever chat the slot holds now (the user-interface thread's
// own changes).
void set_peer_ip(ChatClient& client, int slot, const wchar_t* address);
void set_user_host(ChatClient& client, int slot, const wchar_t* user_host);
