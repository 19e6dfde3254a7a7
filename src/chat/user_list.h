#pragma once

class ChatClient;

void add_user(ChatClient& client, int slot, const wchar_t* name);
bool remove_user(const wchar_t* name, ChatClient& client, int slot);
bool rename_user(const wchar_t* old_name, const wchar_t* new_name, ChatClient& client, int slot);

// Rebuilds the channel's drop-down from its users (sorted, filtered).
void refresh_user_list(ChatClient& client, int slot);
