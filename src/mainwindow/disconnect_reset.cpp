#include <string>

#include "app/chat_client.h"
#include "chat/chat_tabs.h"
#include "chat/ui_thread.h"
#include "connection/reconnect.h"
#include "mainwindow/main_window.h"
#include "resources/resource_ids.h"
#include "transfer/ip_sharing.h"

namespace {
void reset_here(ChatClient& client) {
    SendMessageW(client.main_window, WM_COMMAND, MAKEWPARAM(tab_button_id(0), BN_CLICKED), 0);
    for (int slot = first_private_slot; slot <= last_channel_slot; ++slot) {
        if (!client.chats[slot].in_use) continue;
        // A copy: closing the tab may reuse the slot's name storage.
        const std::wstring name = chat_name(client, slot);
        close_chat(client, name.c_str());
    }
    set_menu_item_enabled(client, IDM_DISCONNECT, false);
    set_menu_item_enabled(client, IDM_JOIN_FAVORITE_CHANNELS, false);
    set_menu_item_enabled(client, IDM_CONNECT, true);
    if (client.menu) DrawMenuBar(client.main_window);
    show_connection_state(client, false);
    show_identification(client, true);
    if (client.favorites_timer_running) {
        KillTimer(client.main_window, favorites_timer_id);
        client.favorites_timer_running = false;
    }
}
}  // namespace

void disconnect_reset(ChatClient& client) {
    // Windows and the timer belong to the user-interface thread; the receive
    // thread (ERROR from the server) hands the reset over without waiting.
    if (!client.main_window) return;
    post_ui_task(client, [&client] { reset_here(client); });
}

void server_closed_reset(ChatClient& client) {
    if (!client.main_window) return;
    post_ui_task(client, [&client] {
        if (!reconnect_follows(client)) reset_here(client);
    });
}
