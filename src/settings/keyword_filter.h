#pragma once
#include <string>
#include <vector>

class ChatClient;

// The keywords of a filter text: the non-empty parts between spaces, in order,
// as UTF-8 like the user lists they are matched against.
std::vector<std::string> split_keywords(const wchar_t* text);

// Replaces client.filter_keywords, and reads a copy of it, under one lock: the
// preferences are reloaded on the UI thread while the receive thread may be
// filtering a user list. Code on other threads reads through the copy.
void replace_filter_keywords(ChatClient& client, std::vector<std::string> keywords);
std::vector<std::string> filter_keywords_copy(const ChatClient& client);
