#include <cwchar>

#include "app/chat_client.h"
#include "app/text.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"
#include "settings/settings_loaders.h"
#include "settings/switch_rules.h"

// The numbered lists keep their numbers: a free slot between two used ones
// stays free, and every slot is rewritten so that nothing of an older load
// survives in it.

namespace {
std::wstring read_numbered(const ChatClient& client, const wchar_t* section, const wchar_t* key_format, int slot) {
    return read_setting(client, section, numbered_key(key_format, slot).c_str());
}
}  // namespace

void load_channel_settings(ChatClient& client) {
    using namespace settings_key;
    for (int slot = 1; slot <= favorite_channel_count; ++slot) {
        FavoriteChannel& channel = client.favorite_channels[slot];
        copy_text(channel.name, read_numbered(client, channels_section, channel_name, slot).c_str());
        copy_text(channel.password, read_numbered(client, channels_section, channel_password, slot).c_str());
        channel.autojoin =
            read_default_off_switch(read_numbered(client, channels_section, channel_autojoin, slot).c_str());
    }
}

void load_server_settings(ChatClient& client) {
    using namespace settings_key;
    for (int slot = 1; slot <= server_count; ++slot) {
        StoredServer& server = client.servers[slot];
        copy_text(server.name, read_numbered(client, servers_section, server_name, slot).c_str());
        copy_text(server.port, read_numbered(client, servers_section, server_port, slot).c_str());
        copy_text(server.nickname, read_numbered(client, servers_section, server_nickname, slot).c_str());
        copy_text(server.username, read_numbered(client, servers_section, server_username, slot).c_str());
        server.tls = read_default_off_switch(read_numbered(client, servers_section, server_tls, slot).c_str());
    }
}

void load_favorite_nickname_settings(ChatClient& client) {
    using namespace settings_key;
    for (int slot = 1; slot <= favorite_nickname_count; ++slot) {
        FavoriteNickname& favorite = client.favorite_nicknames[slot];
        wchar_t nickname[nickname_capacity] = {};
        copy_text(nickname, read_numbered(client, nicknames_favorite_section, nickname_favorite, slot).c_str());
        // Whether someone was online says nothing about the nickname now in the slot.
        if (std::wcscmp(nickname, favorite.nickname) != 0) favorite.online = false;
        copy_text(favorite.nickname, nickname);
    }
    client.check_nicknames_online_time = read_default_off_switch(
        read_setting(client, nicknames_favorite_section, check_nicknames_online_time).c_str());
}
