#include "connection/connection_start.h"

#include <windows.h>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "controls/buffer_edit.h"
#include "connection/receive_loop.h"
#include "connection/reconnect.h"
#include "connection/tls_connection.h"
#include "net/server_socket.h"

namespace {
constexpr const wchar_t* connecting_format = L"Connecting to IRC server %s:%s";
constexpr const wchar_t* nickname_label = L"Nickname: ";
constexpr const wchar_t* username_label = L"Username: ";
constexpr const wchar_t* connected_text = L"Connection successfully established.";
constexpr const wchar_t* connect_error_format = L"Connection error to IRC server %s:%s";
constexpr const wchar_t* unreadable_password_text =
    L"A stored password of this server cannot be read here (it was saved by another user or on another machine): "
    L"enter it again in the server's settings.";

// connect_to_server keeps a pointer to the host name: it lives here, for the
// whole run, rather than in a text that the next Connect replaces.
wchar_t connected_host[server_name_capacity] = {};

void write_progress(ChatClient& client, const ConnectRequest& request) {
    append_chat_text(format_text(connecting_format, request.host, request.port).c_str(), client, 0,
                     colour_server_text, colour_black, true);
    append_chat_text(nickname_label, client, 0, colour_server_text, colour_black, false);
    append_chat_text(request.nickname.c_str(), client, 0, colour_white, colour_away_back, true);
    append_chat_text(username_label, client, 0, colour_server_text, colour_black, false);
    append_chat_text(request.username.c_str(), client, 0, colour_white, colour_black, true);
    if (client.chats[0].buffer && client.chats[0].buffer->window)
        RedrawWindow(client.chats[0].buffer->window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}
}  // namespace

unsigned short port_number(const std::wstring& text) {
    if (text.empty() || text.size() > 5) return 0;
    unsigned value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return 0;
        value = value * 10 + static_cast<unsigned>(c - L'0');
    }
    return value <= 65535 ? static_cast<unsigned short>(value) : 0;
}

bool connect_and_start(ChatClient& client, const ConnectRequest& request) {
    remember_connect_request(client, request);
    // Connect stays offered until registration completes; a second Connect
    // before that replaces the pending connection instead of sharing its socket.
    stop_receive_thread(client);
    clear_chat(client, 0);
    write_progress(client, request);
    if (request.password_unreadable) append_server_line(client, unreadable_password_text, true);

    copy_text(connected_host, request.host.c_str());
    const bool connected = connect_to_server(client.server_socket, connected_host, port_number(request.port)) &&
                           prepare_tls(client, request);

    // The old receive thread has ended (stop_receive_thread): nothing reads
    // the identity of the session it replaces any more.
    ConnectionParams& connection = client.connection;
    connection.nickname = request.nickname;
    connection.username = request.username;
    connection.host = request.host;
    connection.port = request.port;
    connection.account = request.account;

    if (connected) {
        append_server_line(client, connected_text);
        if (start_receive_thread(client)) return true;
        close_connection(client.server_socket);
    }
    append_chat_text(format_text(connect_error_format, request.host, request.port).c_str(), client, 0,
                     colour_error_text, colour_error_back, true);
    return false;
}
