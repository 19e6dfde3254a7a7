// The welcome reply and the end of registration.

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/ui_thread.h"
#include "irc/handler_support.h"
#include "irc/irc_line.h"
#include "irc/numeric_handlers.h"
#include "irc/numeric_replies.h"
#include "mainwindow/main_window.h"
#include "net/proxy_route.h"
#include "net/server_socket.h"
#include "net/session.h"
#include "resources/resource_ids.h"
#include "settings/server_defaults.h"
#include "settings/settings_file.h"
#include "transfer/ip_sharing.h"
#include "transfer/public_ip.h"

namespace {
void show_connected_menus(ChatClient& client) {
    if (!client.menu) return;
    EnableMenuItem(client.menu, IDM_CONNECT, MF_BYCOMMAND | MF_DISABLED | MF_GRAYED);
    EnableMenuItem(client.menu, IDM_DISCONNECT, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(client.menu, IDM_JOIN_FAVORITE_CHANNELS, MF_BYCOMMAND | MF_ENABLED);
    DrawMenuBar(client.main_window);
}

void start_favorites_timer(ChatClient& client) {
    if (!client.check_nicknames_online_time || client.favorites_timer_running) return;
    client.favorites_timer_running = true;
    if (client.server_socket.connected)
        SetTimer(client.main_window, favorites_timer_id, favorites_timer_period_ms, nullptr);
}

void join_favorite_channels(ChatClient& client) {
    for (int number = 1; number <= favorite_channel_count; ++number) {
        const FavoriteChannel& favorite = client.favorite_channels[number];
        if (!favorite.autojoin || !favorite.name[0]) continue;
        // request_join cuts the '#' off in place: it gets a copy.
        wchar_t name[channel_name_capacity];
        wchar_t key[channel_password_capacity];
        copy_text(name, favorite.name);
        copy_text(key, favorite.password);
        request_join(name, client, key);
    }
}

// Menus, timers and the settings mirror belong to the user-interface thread.
void finish_registration(ChatClient& client) {
    show_connected_menus(client);
    show_connection_state(client, true);
    write_server_defaults(client);
    show_identification(client, false);
    start_favorites_timer(client);
    load_settings(client, SettingsGroup::channels);
    join_favorite_channels(client);
}
}  // namespace

void handle_welcome(ChatClient& client, const IrcLine& line) {
    // The server may have granted another nickname than the one asked for;
    // the lines after this one are read with it.
    if (session_is_replaced(thread_session())) return;
    client.connection.nickname = cut_text(line.token(2), own_nickname_limit(client));
}

void on_registered(ChatClient& client) {
    if (!claim_registration(client.server_socket)) return;
    // The lookup waits on the network: it runs on a thread of its own, and
    // registration goes on without it. It goes straight to the echo service,
    // around a proxy: then it waits until the user chooses to share.
    if (client.connection.public_ip.empty() && !proxy_configured()) start_public_ip_lookup(client);
    post_ui_task(client, [&client] { finish_registration(client); });
}
