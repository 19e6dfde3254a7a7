#pragma once
#include "app/limits.h"
#include "framework/dialog.h"
#include "settings/server_defaults.h"

class ChatClient;
struct ServerSocket;
struct ConnectionParams;

// "Connection to IRC server" (template 109): pick a stored server or keep the
// last connection, optionally with random names, and connect.
class ConnectDialog : public Dialog {
public:
    ConnectDialog(HINSTANCE instance, int template_id, HWND owner, ChatClient& client, ServerSocket& server,
                  ConnectionParams& connection);

    INT_PTR handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    void open(HWND dialog);
    void select_server(HWND dialog);
    void toggle_random(HWND dialog);
    void connect(HWND dialog);
    void show_identity(HWND dialog, const wchar_t* nickname, const wchar_t* username);

    ChatClient& client_;
    ServerSocket& server_;
    ConnectionParams& connection_;
    int selected_row_ = -1;
    int row_count_ = 0;
    int row_servers_[server_count] = {};  // list row -> stored server number (1..15)
    ServerDefaults shown_;                 // what the dialog offers before a row is picked
};
