// The window never waits on the network: not for a connect to a server that
// drops connection requests, not for a server that stops reading.
#include <gtest/gtest.h>

#include <vector>

#include "chat/ui_post.h"
#include "connection/connection_start.h"
#include "connection/receive_loop.h"
#include "connection/reconnect.h"
#include "mainwindow/chat_command_parts.h"
#include "mainwindow/main_window.h"
#include "support/answer_watch.h"
#include "support/net_test_support.h"

namespace {
using namespace net_test;

constexpr const char* welcome = ":srv 001 Tester :Welcome\r\n:srv 376 Tester :End of MOTD\r\n";

void send_text(SOCKET sock, const std::string& text) { send(sock, text.data(), static_cast<int>(text.size()), 0); }

size_t occurrences(const std::wstring& text, const std::wstring& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

class NetworkWaits : public testing::Test {
protected:
    ChatClient& client = test_client();
    unsigned short port = 0;
    SOCKET listener = INVALID_SOCKET;
    SOCKET accepted = INVALID_SOCKET;
    std::vector<SOCKET> fillers;

    void SetUp() override {
        start_ui_posts();
        if (!client.chats[0].in_use) create_chat(client, L"IRC Server", false);
        use_fresh_folder(client, L"network-waits");
        client.connection.public_ip = L"192.0.2.1";  // registration then needs no lookup
        client.save_log_file = false;
    }
    void TearDown() override {
        refuse_reconnect(client);
        finish_pending_disconnect(client);
        stop_receive_thread(client);
        for (SOCKET sock : fillers) closesocket(sock);
        if (accepted != INVALID_SOCKET) closesocket(accepted);
        if (listener != INVALID_SOCKET) closesocket(listener);
        client.auto_reconnect = false;
        set_reconnect_waits(0, 0);
        pump_messages();
    }

    // Connects through the program and registers; `backlog` and `receive_buffer`
    // shape the server's socket.
    void connect_and_register(int backlog, int receive_buffer = 0) {
        listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (receive_buffer)
            setsockopt(listener, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receive_buffer),
                       sizeof receive_buffer);
        sockaddr_in address = loopback_address(0);
        int length = sizeof address;
        ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(listen(listener, backlog), 0);
        ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
        port = ntohs(address.sin_port);
        ASSERT_TRUE(connect_and_start(client, {L"127.0.0.1", std::to_wstring(port), L"Tester", L"tester"}));
        accepted = accept_within(listener, 10000);
        ASSERT_NE(accepted, INVALID_SOCKET);
        send_text(accepted, welcome);
        ASSERT_TRUE(wait_until([&] {
            return client.server_socket.opened != 0 && client.server_socket.registered == client.server_socket.opened;
        }));
    }
};

TEST_F(NetworkWaits, AReconnectAgainstAServerThatDropsRequestsLeavesTheWindowFree) {
    client.auto_reconnect = true;
    set_reconnect_waits(200, 200);
    ASSERT_NO_FATAL_FAILURE(connect_and_register(1));
    fillers = fill_backlog(port, 4);
    AnswerWatch watch(client.main_window);
    closesocket(accepted);  // the server ends the registered connection
    accepted = INVALID_SOCKET;
    // The attempt's connect is pending on the receive thread while this
    // thread, which runs the window, goes on.
    ASSERT_TRUE(wait_until([&] {
        return reconnect_attempt() >= 1 && !reconnect_waiting() && receive_thread_running();
    }));
    wait_until([] { return false; }, 1500);
    EXPECT_TRUE(receive_thread_running());
    EXPECT_EQ(client.server_socket.connected, 0);
    EXPECT_FALSE(contains(chat_text(client, 0), L"Connection successfully established."));

    // Disconnect during the attempt ends the series at once.
    disconnect_by_user(client);
    ASSERT_TRUE(wait_until([] { return !disconnect_pending(); }));
    EXPECT_FALSE(receive_thread_running());
    EXPECT_FALSE(reconnect_waiting());
    EXPECT_EQ(reconnect_attempt(), 0u);
    const size_t attempts = occurrences(chat_text(client, 0), L"Reconnecting in");
    wait_until([] { return false; }, 1000);
    EXPECT_EQ(occurrences(chat_text(client, 0), L"Reconnecting in"), attempts);
    watch.stop();
    EXPECT_GT(watch.answered_, 0);
    EXPECT_EQ(watch.missed_, 0);
}

TEST_F(NetworkWaits, AServerThatStopsReadingHoldsUpNeitherTheWindowNorItsPings) {
    ASSERT_NO_FATAL_FAILURE(connect_and_register(4, 4096));
    const int small = 4096;
    setsockopt(hold_connection(client.server_socket)->handle, SOL_SOCKET, SO_SNDBUF,
               reinterpret_cast<const char*>(&small), sizeof small);
    AnswerWatch watch(client.main_window);
    // Far more than the server reads: once the buffers are full, the lines wait.
    const std::wstring line = L"PRIVMSG #room :" + std::wstring(400, L'x');
    for (int i = 0; i < 2000; ++i) ASSERT_NE(send_line(line.c_str(), client.server_socket), SOCKET_ERROR);
    ASSERT_TRUE(wait_until([&] {
        const std::shared_ptr<OpenSocket> held = hold_connection(client.server_socket);
        return held && held->queue.waiting() > 1000;
    }));
    // The receive thread reads on and answers PINGs, though its PONGs wait too.
    for (int i = 1; i <= 3; ++i) {
        const std::string mark = "still reading " + std::to_string(i);
        send_text(accepted, "PING :tick\r\n:srv 372 Tester :- " + mark + "\r\n");
        EXPECT_TRUE(wait_until([&] { return contains(chat_text(client, 0), wide_text(mark, CP_ACP)); })) << mark;
    }
    // Disconnect: its QUIT cannot leave either, and nobody waits for it long.
    disconnect_by_user(client);
    ASSERT_TRUE(wait_until([] { return !disconnect_pending(); }));
    EXPECT_FALSE(receive_thread_running());
    EXPECT_EQ(client.server_socket.connected, 0);
    watch.stop();
    EXPECT_GT(watch.answered_, 0);
    EXPECT_EQ(watch.missed_, 0);
}

}  // namespace
