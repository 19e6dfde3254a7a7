#pragma once
#include <windows.h>

#include <string>

class ChatClient;
struct ChatRecord;

// The pieces of handle_chat_command, one file each. Every function runs on
// the user-interface thread for the selected chat, already known to be of a
// kind the command applies to.

// channel_mode_commands.cpp: MODE lines of the channel menu.
void set_channel_password(ChatClient& client, ChatRecord& channel, bool on);
void set_channel_secret(ChatClient& client, ChatRecord& channel, bool on);
void set_channel_moderated(ChatClient& client, ChatRecord& channel, bool on);

// display_toggles.cpp: the chat's display switches, by menu id.
bool toggle_display_switch(ChatClient& client, ChatRecord& chat, int id);

// chat_buttons.cpp: the buttons beside and below the buffer.
void close_selected_tab(ChatClient& client, ChatRecord& chat);
void private_chat_with_selected_user(ChatClient& client, ChatRecord& channel);
void kick_selected_user(ChatClient& client, ChatRecord& channel);
void voice_selected_user(ChatClient& client, ChatRecord& channel, bool on);
void flip_encryption(ChatClient& client, ChatRecord& chat);
void apply_user_filter(ChatClient& client, ChatRecord& channel);
void send_input_line(ChatClient& client);
// The user list's notifications (drop-down, close-up, selection).
void user_list_notified(ChatClient& client, ChatRecord& channel, int code);

// The selected entry of the channel's user list without its "@" or "+";
// empty when none is selected.
std::wstring selected_user(const ChatRecord& channel);

// Whether `nickname` is the user's own (the server folds letter case).
bool is_own_nickname(ChatClient& client, const std::wstring& nickname);

// Shows a notice whose texts are wide (converted for the status bar).
void show_wide_notice(const char* title, const std::wstring& text);

// disconnect_command.cpp.
void disconnect_by_user(ChatClient& client);
