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

// User-interface thread only.
int create_chat(ChatClient& client, const wchar_t* name, bool is_channel);
void close_chat(ChatClient& client, const wchar_t* name);
