#pragma once

#include <string>
#include <vector>

class ChatClient;
struct ChatRecord;

// A NAMES entry ("nick", "@op" or "+voiced"): a listed nickname takes the mark.
void add_user(ChatClient& client, int slot, const wchar_t* name);
// A JOIN: a listed nickname keeps its entry.
void add_joined_user(ChatClient& client, int slot, const wchar_t* nickname);
bool remove_user(const wchar_t* name, ChatClient& client, int slot);
bool rename_user(const wchar_t* old_name, const wchar_t* new_name, ChatClient& client, int slot);

// The channel's entries in the drop-down's order; takes the chat's lock.
std::vector<std::string> user_entries(const ChatRecord& chat);

// Rebuilds the channel's drop-down from its users (sorted, filtered).
void refresh_user_list(ChatClient& client, int slot);
