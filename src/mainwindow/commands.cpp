#include "app/chat_client.h"
#include "mainwindow/command_groups.h"
#include "mainwindow/demo_tabs.h"
#include "mainwindow/main_window.h"
#include "connection/connect_dialog.h"
#include "connection/receive_loop.h"
#include "connection/reconnect.h"
#include "resources/resource_ids.h"

namespace {
bool is_tab_button(int id) {
    return id >= first_tab_button_id && id <= last_tab_button_id && (id - first_tab_button_id) % 2 == 0;
}
}  // namespace

bool handle_command(ChatClient& client, int id, int code, HWND source) {
    if (is_tab_button(id)) {
        // Clicks, and the selections other code asks for with the same command.
        if (code != BN_CLICKED) return false;
        select_chat(client, (id - first_tab_button_id) / 2);
        return true;
    }
    switch (id) {
    case IDM_ABOUT:
        if (client.about_dialog) client.about_dialog->show();
        return true;
    case IDM_EXIT:
        client.confirm_exit();
        return true;
    case IDM_CONNECT:
        finish_pending_disconnect(client);
        // The user takes over from a reconnect: its attempt and the tabs it
        // kept go, as with Disconnect.
        if (cancel_reconnect(client)) {
            stop_receive_thread(client);
            disconnect_reset(client);
        }
        if (!client.connect_dialog)
            client.connect_dialog = std::make_unique<ConnectDialog>(client.instance, IDD_CONNECT, client.main_window,
                                                                    client, client.server_socket, client.connection);
        client.connect_dialog->show();
        return true;
    case command_demo_tabs:
        run_demo_tabs(client);
        return true;
    default:
        return handle_chat_command(client, id, code, source) || handle_dialog_command(client, id, code, source) ||
               handle_transfer_command(client, id, code, source) || handle_key_command(client, id, code, source);
    }
}
