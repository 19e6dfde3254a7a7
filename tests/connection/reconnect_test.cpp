// Which endings of a connection bring it back, and what comes back: the same
// request through connect_and_start, and the channel in the tab that stayed,
// joined with its key.
#include <gtest/gtest.h>

#include "chat/ui_post.h"
#include "connection/connection_start.h"
#include "connection/receive_loop.h"
#include "connection/reconnect.h"
#include "irc/nickname_fallback.h"
#include "support/net_test_support.h"

namespace {
using namespace net_test;

constexpr const char* welcome = ":srv 001 Tester :Welcome\r\n:srv 376 Tester :End of MOTD\r\n";

// The next line the far end reads that starts with `command`; empty when none came.
std::string next_command(LoopbackServer& far_end, const std::string& command) {
    for (std::string line; !(line = next_line(far_end, 5000)).empty();)
        if (line.compare(0, command.size(), command) == 0) return line;
    return "";
}

TEST(Reconnect, OnlyARegisteredConnectionThatEndsByItselfComesBackIntoItsTabs) {
    ChatClient& client = test_client();
    start_ui_posts();
    if (!client.chats[0].in_use) create_chat(client, L"IRC Server", false);
    const std::wstring ini = use_fresh_folder(client, L"reconnect") + L"Settings\\Settings.ini";
    WritePrivateProfileStringW(L"channels", L"channel_name_1", L"room", ini.c_str());
    WritePrivateProfileStringW(L"channels", L"channel_password_1", L"fav", ini.c_str());
    client.connection.public_ip = L"192.0.2.1";  // registration then needs no lookup
    set_reconnect_waits(1000, 1000);             // 0.8 to 1 s: "1 s" in the server tab
    struct Case {
        const char* name;
        bool registers, preference;
        const char* key_line;  // the key seen in the channel goes before the favourite's
        const char* ending;    // sent before the server closes
        bool comes_back, tab_stays;
        const char* rejoin;
    } cases[] = {
        {"server closes", true, true, ":op!o@h MODE #room +k sesame\r\n", "", true, true, "JOIN #room sesame"},
        {"server says ERROR", true, true, "", "ERROR :Closing link (Server going down)\r\n", true, true, "JOIN #room fav"},
        {"ERROR with the preference off", true, false, "", "ERROR :Closing link\r\n", false, false, ""},
        {"closed before registering", false, true, "", "", false, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        client.auto_reconnect = c.preference;
        LoopbackServer far_end;
        ConnectRequest request{L"127.0.0.1", std::to_wstring(far_end.port()), L"Tester", L"tester"};
        ASSERT_TRUE(connect_and_start(client, request) && far_end.accept_client());
        int room = -1;
        if (c.registers) {
            far_end.send_bytes(std::string(welcome) + ":Tester!t@h JOIN #room\r\n" + c.key_line);
            ASSERT_TRUE(wait_until([&] {
                room = find_chat(client, L"#room");
                return room > 0 && (!*c.key_line || client.chats[room].has_key) &&
                       client.server_socket.registered == client.server_socket.opened;
            }));
        }
        const unsigned generation = room > 0 ? client.chats[room].generation.load() : 0;
        far_end.send_bytes(c.ending);
        far_end.close_client();
        ASSERT_TRUE(wait_until([&] { return client.server_socket.connected == 0 && !receive_thread_running(); }));
        EXPECT_EQ(wait_until([] { return reconnect_waiting(); }, c.comes_back ? 5000 : 500), c.comes_back);
        EXPECT_EQ(wait_until([&] { return room > 0 && find_chat(client, L"#room") == room; }, 500), c.tab_stays);
        if (c.comes_back) {
            EXPECT_TRUE(contains(chat_text(client, 0), L"Reconnecting in 1 s (attempt 1)")) << chat_text(client, 0);
            ASSERT_TRUE(wait_until([&] { return far_end.accept_client(5); }, 5000));
            EXPECT_EQ(next_command(far_end, "NICK"), "NICK Tester");
            far_end.send_bytes(welcome);
            EXPECT_EQ(next_command(far_end, "JOIN"), c.rejoin);
            far_end.send_bytes(":Tester!t@h JOIN #room\r\n");
            EXPECT_TRUE(wait_until([&] { return contains(chat_text(client, 0), L"Rejoining 1 channel"); }));
            EXPECT_EQ(find_chat(client, L"#room"), room);
            EXPECT_EQ(client.chats[room].generation, generation);
            EXPECT_EQ(reconnect_attempt(), 0u);  // counted afresh after a registration
        }
        refuse_reconnect(client);
        stop_receive_thread(client);
        if (room > 0) close_chat(client, L"#room");
        pump_messages();
    }
    client.auto_reconnect = false;
    set_reconnect_waits(0, 0);
}

// An attempt that failed leaves its offer of alternative nicknames behind; the
// user's own Connect that follows answers "nickname in use" the plain way.
TEST(Reconnect, TheUsersOwnConnectIsOfferedNoAlternativeNickname) {
    ChatClient& client = test_client();
    start_ui_posts();
    if (!client.chats[0].in_use) create_chat(client, L"IRC Server", false);
    use_fresh_folder(client, L"reconnect-offer");
    client.auto_reconnect = true;
    offer_alternative_nicknames(client.server_socket.opened + 1);  // as a reconnect attempt does
    LoopbackServer far_end;
    ConnectRequest request{L"127.0.0.1", std::to_wstring(far_end.port()), L"Tester", L"tester"};
    ASSERT_TRUE(connect_and_start(client, request) && far_end.accept_client());
    EXPECT_EQ(next_command(far_end, "USER").substr(0, 5), "USER ");
    far_end.send_bytes(":srv 433 * Tester :Nickname already in use\r\n");
    EXPECT_EQ(next_command(far_end, "NICK"), "");
    EXPECT_TRUE(closed_by_client(far_end));
    refuse_reconnect(client);
    stop_receive_thread(client);
    client.auto_reconnect = false;
}

}  // namespace
