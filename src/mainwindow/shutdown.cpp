// The order in which the program stops: the threads first, then what they use.

#include "app/chat_client.h"
#include "irc/sounds.h"
#include "links/link_download.h"
#include "mainwindow/main_window.h"
#include "mainwindow/mention_notice.h"
#include "net/irc_commands.h"
#include "connection/receive_loop.h"
#include "connection/reconnect.h"
#include "transfer/file_receiver.h"
#include "transfer/file_sender.h"

void ChatClient::shut_down() {
    const bool was_connected = server_socket.connected != 0;
    refuse_reconnect(*this);
    if (was_connected) {
        // Best effort: the QUIT is given a moment to leave, never more.
        send_command(server_socket, irc::quit);
        wait_urgent_lines_sent(server_socket, quit_leave_wait_ms);
    }
    // The receive thread uses this object and static ones: it ends first. The
    // connection is closed on the way, its session already over, so the thread
    // takes the closed socket for the end it is, not for a silent server.
    stop_receive_thread(*this);
    // Downloads the receive thread started: none waits, none starts, and the
    // running ones are cut off before the objects they report to go.
    stop_downloads();
    // File transfers end before the objects their threads use: a transfer cut
    // here leaves no file behind on either side.
    stop_file_receiver(*this, true);
    stop_file_senders();
    if (was_connected) disconnect_reset(*this);
    WSACleanup();
    filter_keywords.clear();
    channel_directory.clear();
    stop_sounds();
    remove_mention_icon(*this);
}
