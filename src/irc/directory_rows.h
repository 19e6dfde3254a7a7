#pragma once
#include <string>

class ChatClient;

// One channel of the server's channel list (reply 322), as UTF-8: names and
// topics the code page cannot spell stay whole.
struct DirectoryRow {
    std::string channel;  // with its '#'
    std::string users;    // the user count as decimal text
    std::string topic;
};

// ChatClient::channel_directory holds each row as one string whose three
// fields are separated by a zero character, which no field can contain.
std::string pack_directory_row(const DirectoryRow& row);
DirectoryRow unpack_directory_row(const std::string& packed);

// A listing keeps at most this many rows; the next 322 ends it.
constexpr int directory_row_limit = 5000;

// Appends a row to channel_directory when the channel has a name and more than
// one user. User-interface thread (the directory dialog reads the list there).
void add_directory_row(const wchar_t* channel, const wchar_t* topic, ChatClient& client, const wchar_t* users);
