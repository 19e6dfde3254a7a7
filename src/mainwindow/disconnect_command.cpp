// Disconnect by the user: QUIT is given time to reach the server while the
// window stays responsive; the connection closes when the server has closed
// its side or the time is up, whichever comes first.

#include "app/chat_client.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "mainwindow/chat_command_parts.h"
#include "mainwindow/command_texts.h"
#include "mainwindow/main_window.h"
#include "net/irc_commands.h"
#include "connection/receive_loop.h"
#include "connection/reconnect.h"
#include "resources/resource_ids.h"

namespace {
// Timer 1 is the favourite-nicknames check.
constexpr UINT_PTR drain_timer_id = 2;
constexpr UINT drain_poll_ms = 50;

// User-interface thread only.
struct PendingDisconnect {
    ChatClient* client = nullptr;
    ULONGLONG deadline = 0;
};
PendingDisconnect pending;

void CALLBACK drain_tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!pending.client) return;
    if (pending.client->server_socket.connected && GetTickCount64() < pending.deadline) return;
    finish_pending_disconnect(*pending.client);
}
}  // namespace

void disconnect_by_user(ChatClient& client) {
    // Whatever ends the connection now, the user asked for it.
    refuse_reconnect(client);
    if (pending.client) return;  // already on its way
    append_chat_text(command_text::disconnect_line, client, 0, colour_error_text, colour_error_back, true);
    send_command(client.server_socket, irc::quit);
    set_menu_item_enabled(client, IDM_DISCONNECT, false);
    if (client.menu) DrawMenuBar(client.main_window);
    pending.client = &client;
    pending.deadline = GetTickCount64() + quit_wait_ms;
    if (!client.main_window || !SetTimer(client.main_window, drain_timer_id, drain_poll_ms, drain_tick))
        finish_pending_disconnect(client);
}

void finish_pending_disconnect(ChatClient& client) {
    if (pending.client != &client) return;
    pending.client = nullptr;
    if (client.main_window) KillTimer(client.main_window, drain_timer_id);
    // Closes the socket if the server has not, and waits for the receive
    // thread, which never waits for the window and so ends within moments.
    stop_receive_thread(client);
    disconnect_reset(client);
}

bool disconnect_pending() {
    return pending.client != nullptr;
}
