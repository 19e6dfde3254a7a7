// Quillmere against an ngircd of its own that is killed and started again on
// the same port: the connection comes back by itself into the same channel
// tab; after the user's Disconnect it never does.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "chat/user_list.h"
#include "connection/connection_start.h"
#include "connection/receive_loop.h"
#include "connection/reconnect.h"
#include "mainwindow/main_window.h"
#include "resources/resource_ids.h"
#include "support/modal_dialog.h"
#include "support/net_test_support.h"
#include "support/ngircd_instance.h"

namespace {
using namespace net_test;

class ServerRestart : public testing::Test {
protected:
    ChatClient& client = test_client();
    ngircd_test::ServerInstance server;
    ngircd_test::ServerOptions options;

    void SetUp() override {
        leave_connection();  // the suites before this one leave theirs behind
        use_fresh_folder(client, L"restart");
        client.connection.public_ip = L"192.0.2.1";  // registration then needs no lookup
        client.auto_reconnect = true;
        set_reconnect_waits(500, 4000);  // the first wait is 0.4 to 0.6 s
        std::string error;
        ASSERT_TRUE(server.start(options, error)) << error;
        options.port = server.port();
    }
    void TearDown() override {
        leave_connection();
        client.auto_reconnect = false;
        set_reconnect_waits(0, 0);
    }
    void leave_connection() {
        refuse_reconnect(client);
        finish_pending_disconnect(client);
        stop_receive_thread(client);
        for (int slot = 1; slot < chat_slot_count; ++slot)
            if (client.chats[slot].in_use) close_chat(client, chat_name(client, slot).c_str());
        pump_messages();
    }
    bool registered() const {
        return client.server_socket.connected && client.server_socket.registered == client.server_socket.opened;
    }
    bool in_channel(int room) const {
        const std::vector<std::string> users = user_entries(client.chats[room]);
        return std::find(users.begin(), users.end(), "@Quillback") != users.end();
    }
    // Connects as the Connect dialog does and joins #back; its slot, or -1.
    int connect_into_channel() {
        ConnectRequest request{L"127.0.0.1", std::to_wstring(server.port()), L"Quillback", L"quilly"};
        if (!connect_and_start(client, request) || !wait_until([&] { return registered(); }, 20000)) return -1;
        send_line(L"JOIN #back", client.server_socket);
        int room = -1;
        wait_until([&] { return (room = find_chat(client, L"#back")) > 0 && in_channel(room); }, 20000);
        return room;
    }
    void disconnect() {
        SendMessageW(client.main_window, WM_COMMAND, IDM_DISCONNECT, 0);
        ASSERT_TRUE(wait_until([] { return !disconnect_pending(); }));
    }
    void expect_no_attempt_after(const std::function<void()>& user_action, unsigned opened, bool restart) {
        user_action();
        std::string error;
        if (restart) {
            ASSERT_TRUE(server.start(options, error)) << error;
        }
        wait_until([] { return false; }, 2000);  // well beyond the first wait
        EXPECT_EQ(client.server_socket.opened, opened);
        EXPECT_EQ(client.server_socket.connected, 0);
        EXPECT_LT(find_chat(client, L"#back"), 0);  // as Disconnect does, the tabs closed
    }
};

TEST_F(ServerRestart, BringsUsBackIntoTheSameChannelTab) {
    const int room = connect_into_channel();
    ASSERT_GT(room, 0) << narrow_text(chat_text(client, 0).c_str(), CP_ACP);
    const int private_chat = open_private_chat(client, L"somebody", false);
    ASSERT_GT(private_chat, 0);
    const unsigned generation = client.chats[room].generation, opened = client.server_socket.opened;

    server.stop();
    std::string error;
    ASSERT_TRUE(server.start(options, error)) << error;
    // A guard against a hang, not a measurement.
    EXPECT_TRUE(wait_until([&] { return client.server_socket.opened > opened && registered() && in_channel(room); },
                           30000))
        << narrow_text(chat_text(client, 0).c_str(), CP_ACP);
    EXPECT_EQ(find_chat(client, L"#back"), room);
    EXPECT_EQ(client.chats[room].generation, generation);
    EXPECT_EQ(find_chat(client, L"somebody"), private_chat);
}

TEST_F(ServerRestart, NoAttemptFollowsTheUsersDisconnectOrConnect) {
    ASSERT_GT(connect_into_channel(), 0);  // Disconnect while connected
    expect_no_attempt_after([&] { disconnect(); }, client.server_socket.opened, false);

    const std::function<void()> user_actions[] = {
        [&] { disconnect(); },
        [&] {
            EXPECT_TRUE(run_modal([&] { SendMessageW(client.main_window, WM_COMMAND, IDM_CONNECT, 0); },
                                  [](HWND dialog) { press(dialog, IDCANCEL); }));
        },
    };
    for (const std::function<void()>& user_action : user_actions) {
        ASSERT_GT(connect_into_channel(), 0);  // while waiting for the server to come back
        const unsigned opened = client.server_socket.opened;
        server.stop();
        ASSERT_TRUE(wait_until([] { return reconnect_waiting(); }));
        expect_no_attempt_after(user_action, opened, true);
    }
}

}  // namespace
