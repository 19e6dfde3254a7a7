#pragma once
#include <windows.h>

class ChatClient;

// Application messages of the main window: other threads have chat tabs made
// and closed on the user-interface thread (wparam: the name, const wchar_t*).
constexpr UINT msg_build_controls = WM_USER;
constexpr UINT msg_open_channel = WM_USER + 1;
constexpr UINT msg_open_private_chat = WM_USER + 2;
constexpr UINT msg_close_chat = WM_USER + 3;

// Slot of the in-use chat with exactly this name (case-sensitive), or -1.
int find_chat(ChatClient& client, const wchar_t* name);

// User-interface thread only; other threads send the messages above.
int create_chat(ChatClient& client, const wchar_t* name, bool is_channel);
void close_chat(ChatClient& client, const wchar_t* name);

// Any thread. Opens (and optionally selects) a private chat; slot or -1.
int open_private_chat(ChatClient& client, const wchar_t* nickname, bool select);

// Asks the server to join; `channel` loses its leading '#' in place.
void request_join(wchar_t* channel, ChatClient& client, const wchar_t* key);

// Any thread. Appends text in the given colours (see chat/palette.h), held
// back while the user has scrolled the buffer up. Empty text scrolls to the end
// and releases held-back lines.
void append_chat_text(const wchar_t* text, ChatClient& client, int slot, COLORREF colour, COLORREF background,
                      bool line_break);

void set_peer_ip(ChatClient& client, int slot, const wchar_t* address);
void set_user_host(ChatClient& client, int slot, const wchar_t* user_host);
