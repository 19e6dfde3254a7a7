// The server's channel list (322 rows, 323 end), kept for the channel directory.

#include <climits>

#include "app/chat_client.h"
#include "app/text.h"
#include "app/wire_text.h"
#include "dialogs/directory_listing.h"
#include "chat/ui_thread.h"
#include "irc/directory_rows.h"
#include "irc/irc_line.h"
#include "irc/numeric_handlers.h"

namespace {
constexpr char field_separator = '\0';

// The decimal value of the leading digits; large counts saturate.
long long user_count(const wchar_t* text) {
    long long value = 0;
    for (const wchar_t* p = text; *p >= L'0' && *p <= L'9'; ++p) {
        value = value * 10 + (*p - L'0');
        if (value > 1000000000LL) return value;
    }
    return value;
}
}  // namespace

std::string pack_directory_row(const DirectoryRow& row) {
    std::string packed = row.channel;
    packed += field_separator;
    packed += row.users;
    packed += field_separator;
    packed += row.topic;
    return packed;
}

DirectoryRow unpack_directory_row(const std::string& packed) {
    DirectoryRow row;
    const size_t first = packed.find(field_separator);
    row.channel = packed.substr(0, first);
    if (first == std::string::npos) return row;
    const size_t second = packed.find(field_separator, first + 1);
    row.users = packed.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    if (second != std::string::npos) row.topic = packed.substr(second + 1);
    return row;
}

void add_directory_row(const wchar_t* channel, const wchar_t* topic, ChatClient& client, const wchar_t* users) {
    if (!channel || !*channel) return;
    if (user_count(users ? users : L"") <= 1) return;
    DirectoryRow row{utf8_text(channel), utf8_text(users), utf8_text(topic)};
    client.channel_directory.push_back(pack_directory_row(row));
}

// The directory belongs to the user-interface thread (its dialog reads it
// there): the rows and the end are handed over in order, without waiting.
void handle_list_row(ChatClient& client, const IrcLine& line) {
    const std::wstring channel = line.token(3);
    const std::wstring users = line.token(4);
    const std::wstring topic = line.text_after_token(5);
    post_ui_task(client, [&client, channel, users, topic] {
        if (client.directory_row_count < INT_MAX) ++client.directory_row_count;
        const int count = client.directory_row_count;
        if (count <= directory_row_limit) add_directory_row(channel.c_str(), topic.c_str(), client, users.c_str());
        // Row 5001 ends the listing as 323 would; the rows after it are dropped.
        else if (count == directory_row_limit + 1) end_directory_listing(client);
    });
}

void handle_list_end(ChatClient& client, const IrcLine&) {
    post_ui_task(client, [&client] { end_directory_listing(client); });
}
