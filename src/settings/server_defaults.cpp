#include "settings/server_defaults.h"

#include "app/chat_client.h"
#include "settings/account_settings.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"
#include "settings/settings_loaders.h"
#include "settings/switch_rules.h"

namespace {
std::wstring read_cut(const ChatClient& client, const wchar_t* key, int capacity) {
    return read_setting(client, settings_key::servers_section, key).substr(0, capacity - 1);
}

void write_cut(const ChatClient& client, const wchar_t* key, const std::wstring& value) {
    write_setting(client, settings_key::servers_section, key, value.substr(0, server_default_write_limit));
}

void replace_when_stored(SharedText& field, const std::wstring& stored) {
    if (!stored.empty()) field = stored;
}
}  // namespace

ServerDefaults read_server_defaults(const ChatClient& client) {
    using namespace settings_key;
    return {read_cut(client, server_name_default, server_name_capacity),
            read_cut(client, server_port_default, port_capacity),
            read_cut(client, server_nickname_default, nickname_capacity),
            read_cut(client, server_username_default, username_capacity),
            read_default_off_switch(read_setting(client, settings_key::servers_section, server_tls_default).c_str())};
}

void write_server_defaults(const ChatClient& client) {
    using namespace settings_key;
    write_cut(client, server_name_default, client.connection.host);
    write_cut(client, server_port_default, client.connection.port);
    write_cut(client, server_nickname_default, client.connection.nickname);
    write_cut(client, server_username_default, client.connection.username);
    // A user who never connected with TLS finds no new key in the file.
    if (client.connection.tls || !read_setting(client, servers_section, server_tls_default).empty())
        write_cut(client, server_tls_default, switch_text(client.connection.tls));
    write_server_account(client, 0, client.connection.account);
}

void load_server_default_settings(ChatClient& client) {
    // A live session keeps the identity it connected with.
    if (client.server_socket.connected) return;
    ServerDefaults stored = read_server_defaults(client);
    replace_when_stored(client.connection.host, stored.host);
    replace_when_stored(client.connection.port, stored.port);
    replace_when_stored(client.connection.nickname, stored.nickname);
    replace_when_stored(client.connection.username, stored.username);
}
