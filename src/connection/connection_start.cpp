#include "connection/connection_start.h"

#include <windows.h>

#include <atomic>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "controls/buffer_edit.h"
#include "connection/connect_texts.h"
#include "connection/receive_loop.h"
#include "connection/reconnect.h"
#include "connection/tls_connection.h"
#include "mainwindow/main_window.h"
#include "net/proxy_texts.h"
#include "net/server_socket.h"
#include "settings/proxy_settings.h"

namespace {
using namespace connect_text;

constexpr const wchar_t* unreadable_password_text =
    L"A stored password of this server cannot be read here (it was saved by another user or on another machine): "
    L"enter it again in the server's settings.";

// The status bar says how many lines wait once more than a few do, and clears
// what it said once they have gone.
constexpr size_t backlog_shown_from = 4;
std::atomic<bool> backlog_shown{false};

void show_send_backlog(size_t waiting) {
    if (waiting >= backlog_shown_from) {
        backlog_shown = true;
        show_status_notice(backlog_title, format_text(backlog_format, static_cast<int>(waiting)), false);
    } else if (backlog_shown.exchange(false)) {
        show_status_notice(std::wstring(), std::wstring(), false);
    }
}

void write_progress(ChatClient& client, const ConnectRequest& request) {
    append_chat_text(format_text(connecting_format, host_for_display(request.host), request.port).c_str(), client, 0,
                     colour_server_text, colour_black, true);
    append_chat_text(nickname_label, client, 0, colour_server_text, colour_black, false);
    append_chat_text(request.nickname.c_str(), client, 0, colour_white, colour_away_back, true);
    append_chat_text(username_label, client, 0, colour_server_text, colour_black, false);
    append_chat_text(request.username.c_str(), client, 0, colour_white, colour_black, true);
    if (client.chats[0].buffer && client.chats[0].buffer->window)
        RedrawWindow(client.chats[0].buffer->window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}
}  // namespace

bool connect_and_start(ChatClient& client, const ConnectRequest& typed) {
    // "[2001:db8::1]:6697" or "irc.example.net:6697" in the server field.
    ConnectRequest request = typed;
    split_host_port(typed.host, request.host, request.port);
    remember_connect_request(client, request);
    set_send_backlog_observer(show_send_backlog);
    // Connect stays offered until registration completes; a second Connect
    // before that replaces the pending connection instead of sharing its socket.
    stop_receive_thread(client);
    clear_chat(client, 0);
    write_progress(client, request);
    if (request.password_unreadable) append_server_line(client, unreadable_password_text, true);
    // Read at each attempt, so a reconnect follows a proxy changed meanwhile.
    const ProxySettings proxy = read_proxy_settings(client);
    const ProxyRoute route = request.account.without_proxy ? ProxyRoute{} : proxy_route(proxy);
    if (route.on && proxy.password_unreadable) append_server_line(client, proxy_text::unreadable_password, true);
    prepare_tls(client, request, route.on);

    // The old receive thread has ended (stop_receive_thread): nothing reads
    // the identity of the session it replaces any more.
    ConnectionParams& connection = client.connection;
    connection.nickname = request.nickname;
    connection.username = request.username;
    connection.host = request.host;
    connection.port = request.port;
    connection.account = request.account;

    // The receive thread resolves and connects, and says how it went in the
    // server tab: the window never waits on the network.
    const ConnectTarget target{request.host, request.port, port_number(request.port), request.tls,
                               ++client.server_socket.opened, route};
    if (start_receive_thread(client, target)) return true;
    append_server_line(client, format_text(error_format, request.host, request.port), true);
    return false;
}
