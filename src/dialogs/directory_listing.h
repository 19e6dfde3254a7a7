#pragma once
#include <string>

class ChatClient;

// The channel directory's life outside its dialog. User-interface thread:
// the receive thread hands the listing's rows and its end over (irc/numeric_list_rows.cpp).

// The listing is complete (reply 323, or the row after the last one kept):
// the cache file of the connected server is rewritten in one pass and an
// open directory dialog shows the rows.
void end_directory_listing(ChatClient& client);

// Replaces channel_directory with the cached rows of `server`; returns the
// number of rows read, those with too few users included (0, and nothing
// changed, when the server has no cache file).
int load_directory_cache(const std::wstring& server, ChatClient& client);

// True when `server` has a cache file.
bool has_directory_cache(const ChatClient& client, const std::wstring& server);
