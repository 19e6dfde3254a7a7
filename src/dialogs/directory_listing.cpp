#include "dialogs/directory_listing.h"

#include <windows.h>

#include <vector>

#include "app/chat_client.h"
#include "app/text.h"
#include "app/wire_text.h"
#include "dialogs/join_all_channels_dialog.h"
#include "irc/directory_rows.h"
#include "settings/directory_cache.h"

namespace {
// The longest texts taken from a cache file; longer ones are hand edits.
constexpr size_t cached_channel_limit = 409, cached_users_limit = 15, cached_topic_limit = 799;

std::wstring cut(const std::wstring& text, size_t limit) { return text.substr(0, limit); }

JoinAllChannelsDialog* directory_dialog(ChatClient& client) {
    return static_cast<JoinAllChannelsDialog*>(client.join_all_channels_dialog.get());
}
}  // namespace

void end_directory_listing(ChatClient& client) {
    const std::wstring host = client.connection.host.get();
    std::vector<CachedRow> rows;
    rows.reserve(client.channel_directory.size());
    for (const std::string& packed : client.channel_directory) {
        const DirectoryRow row = unpack_directory_row(packed);
        rows.push_back({text_from_utf8(row.channel), text_from_utf8(row.users),
                        text_from_utf8(row.topic)});
    }
    if (!host.empty()) {
        write_directory_cache(directory_cache_path(client, host), rows);
        // The rows in memory are this server's now: reopening the dialog shows them as they are.
        copy_text(client.directory_cache_server, host.c_str());
    }
    if (JoinAllChannelsDialog* dialog = directory_dialog(client)) dialog->listing_ended();
}

int load_directory_cache(const std::wstring& server, ChatClient& client) {
    const std::wstring path = directory_cache_path(client, server);
    if (path.empty() || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return 0;
    const std::vector<CachedRow> rows = read_directory_cache(path, directory_row_limit);
    client.channel_directory.clear();
    copy_text(client.directory_cache_server, server.c_str());
    for (const CachedRow& row : rows)
        add_directory_row(cut(row.channel, cached_channel_limit).c_str(), cut(row.description, cached_topic_limit).c_str(),
                          client, cut(row.users, cached_users_limit).c_str());
    return static_cast<int>(rows.size());
}

bool has_directory_cache(const ChatClient& client, const std::wstring& server) {
    const std::wstring path = directory_cache_path(client, server);
    return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
