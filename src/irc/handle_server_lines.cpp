// NOTICE, PING and ERROR: lines about the connection itself, all shown in or
// acted on for the server tab.

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "chat/ui_thread.h"
#include "irc/command_handlers.h"
#include "irc/ctcp.h"
#include "irc/handler_support.h"
#include "irc/irc_line.h"
#include "mainwindow/main_window.h"
#include "net/irc_commands.h"

namespace {
constexpr wchar_t notice_format[] = L" -%s- %s";  // sender, text
constexpr int server_tab = 0;
}  // namespace

void handle_notice(ChatClient& client, const IrcLine& line) {
    std::wstring text =
        format_text(notice_format, prefix_sender_nickname(line), notice_text(line.text_after_token(3)));
    append_line(client, server_tab, {sender_text(client, text, colour_server_text)});
}

void handle_ping(ChatClient& client, const IrcLine& line) {
    // Token 1 as received: "PING :abc" is answered "PONG :abc".
    send_command(client.server_socket, irc::pong, line.token(1));
}

void handle_error(ChatClient& client, const IrcLine& line) {
    append_chat_text(line.text.c_str(), client, server_tab, colour_error_text, colour_error_back, true);
    append_chat_text(L"", client, server_tab, colour_server_text, colour_black, false);
    // Tabs are windows: they are closed where they were made.
    server_closed_reset(client);
    // A stale socket handle may already belong to another connection.
    if (client.server_socket.connected) close_connection(client.server_socket);
}
