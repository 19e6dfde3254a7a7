#include <thread>
#include <atomic>
#include "numerics_fixture.h"
#include "transfer/ip_sharing.h"
#include "transfer/public_ip.h"

namespace {
using namespace net_test;

TEST(PublicAddress, IsTheFirstLineTrimmedAndCut) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"203.0.113.7", L"203.0.113.7"},
        {L"203.0.113.7\r\n", L"203.0.113.7"},
        {L"  198.51.100.2 \nsecond line", L"198.51.100.2"},
        {L"2001:db8:85a3:0:0:8a2e:370:7334", L"2001:db8:85a3:0:0:8"},
        {L"<html><body>Sign in</body></html>", L""},
        {L"203.0.113.7; rm -rf", L""},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(address_from_text(c.first), c.second) << c.first;
}

TEST(PublicAddress, EchoServiceCanBeReplaced) {
    set_ip_echo_url(L"");
    SetEnvironmentVariableW(ip_echo_url_variable, nullptr);
    EXPECT_EQ(ip_echo_url(), default_ip_echo_url);
    SetEnvironmentVariableW(ip_echo_url_variable, L"http://127.0.0.1:9/");
    EXPECT_EQ(ip_echo_url(), L"http://127.0.0.1:9/");
    set_ip_echo_url(L"http://127.0.0.1:8/");
    EXPECT_EQ(ip_echo_url(), L"http://127.0.0.1:8/");
    set_ip_echo_url(L"");
    SetEnvironmentVariableW(ip_echo_url_variable, nullptr);
}

TEST_F(NumericsTest, LookupStoresWhatTheServiceAnswers) {
    struct Case {
        const char* body;
        bool found;
        const wchar_t* address;
    } cases[] = {
        {"203.0.113.7", true, L"203.0.113.7"},
        {"198.51.100.20\r\n", true, L"198.51.100.20"},
        {"<html>captive portal</html>", false, L"192.0.2.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        client.connection.public_ip = L"192.0.2.1";
        OneShotHttpServer echo(std::string("HTTP/1.0 200 OK\r\n\r\n") + c.body);
        set_ip_echo_url(echo.url());
        EXPECT_EQ(lookup_public_ip(client), c.found);
        EXPECT_EQ(client.connection.public_ip, c.address);
        EXPECT_FALSE(file_exists(folder + L"Downloads\\myip.txt"));
    }
    // Nobody answers.
    set_ip_echo_url(L"http://127.0.0.1:1/");
    EXPECT_FALSE(lookup_public_ip(client));
    EXPECT_EQ(client.connection.public_ip, L"192.0.2.1");

    // A service that takes the connection and then says nothing is given up
    // on (each step waits a few seconds); without a limit this never returns.
    LoopbackServer silent;
    set_ip_echo_url(format_text(L"http://127.0.0.1:%d/", static_cast<int>(silent.port())));
    std::atomic<int> result{-1};
    std::thread lookup([&] { result = lookup_public_ip(client) ? 1 : 0; });
    const bool ended = net_test::wait_until([&] { return result >= 0; }, 60000);
    if (ended)
        lookup.join();
    else
        lookup.detach();
    EXPECT_TRUE(ended);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(client.connection.public_ip, L"192.0.2.1");
    set_ip_echo_url(L"");
}

TEST_F(NumericsTest, RequestsAreAnsweredOnlyWhereSharingIsOn) {
    const int alice = open_chat(L"alice", false);
    const int room = open_chat(L"#room", true);
    struct Case {
        int slot;
        bool share;
        const wchar_t* text;
        std::vector<std::string> sent;
        unsigned generation_offset = 0;  // not 0: the chat that held the slot before
    } cases[] = {
        {alice, true, L"[ZOVGIP01]", {"PRIVMSG alice :[ZOVUIP01]192.0.2.1"}},
        {alice, true, L"[ZOVGIP01] please", {"PRIVMSG alice :[ZOVUIP01]192.0.2.1"}},
        {alice, false, L"[ZOVGIP01]", {}},
        {room, false, L"[ZOVGIP01]", {}},
        {alice, true, L"[ZOVGIP01]", {}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        client.chats[c.slot].share_ip = c.share;
        const unsigned generation = client.chats[c.slot].generation - c.generation_offset;
        EXPECT_TRUE(handle_ip_sharing_tag(client, c.slot, generation, L"alice", c.text));
        EXPECT_EQ(sent_lines(), c.sent);
    }
    EXPECT_FALSE(handle_ip_sharing_tag(client, alice, client.chats[alice].generation, L"alice", L"[zovgip01] lower case"));
    EXPECT_FALSE(contains(text_of(alice), L"ZOV"));
}

TEST_F(NumericsTest, AnswersSetThePeerAddress) {
    int alice = -1;
    struct Case {
        const wchar_t* text;
        bool taken;
        const wchar_t* peer_ip;
    } cases[] = {
        {L"[ZOVUIP01]1.2.3", true, L"1.2.3"},                      // 15 characters
        {L"[ZOVUIP01]1.23", false, L""},                          // 14: an ordinary message
        {L"[ZOVUIP01]203.0.113.77", true, L"203.0.113.77"},
        {L"[ZOVUIP01]2001:db8:85a3:0:0:8a2e:370:7334", true, L"2001:db8:85a3:0:0:8"},
        {L"hello", false, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        reopen(alice, L"alice", false);
        EXPECT_EQ(handle_ip_sharing_tag(client, alice, client.chats[alice].generation, L"alice", c.text), c.taken);
        EXPECT_EQ(std::wstring(client.chats[alice].peer_ip), c.peer_ip);
    }
    EXPECT_TRUE(sent_lines().empty());
}

TEST_F(NumericsTest, SendFileButtonNeedsAllFourConditions) {
    const int alice = open_chat(L"alice", false);
    select(alice);
    ChatRecord& chat = client.chats[alice];
    for (int mask = 0; mask < 16; ++mask) {
        copy_text(chat.password, (mask & 1) ? L"secret1" : L"");
        copy_text(chat.peer_ip, (mask & 2) ? L"203.0.113.7" : L"");
        SetWindowTextW(client.file_path_edit, (mask & 4) ? L"C:\\file.txt" : L"");
        chat.peer_ready = (mask & 8) != 0;
        update_send_file_button(client);
        EXPECT_EQ(IsWindowEnabled(client.send_file_button) != FALSE, mask == 15) << mask;
    }
    SetWindowTextW(client.file_path_edit, L"");
}

TEST_F(NumericsTest, IdentificationShowsTheConnection) {
    client.connection.host = L"irc.example.test";
    client.connection.port = L"6667";
    client.connection.nickname = L"Nickname1";
    client.connection.username = L"userna";
    show_identification(client, false);
    EXPECT_EQ(window_text(client.server_name_edit), L"irc.example.test:6667");
    EXPECT_EQ(window_text(client.nickname_edit), L"Nickname1 (userna)");
    EXPECT_EQ(window_text(client.my_ip_edit), L"192.0.2.1");
    client.connection.host = std::wstring(80, L'h');
    client.connection.nickname = std::wstring(60, L'n');
    show_identification(client, false);
    EXPECT_EQ(window_text(client.server_name_edit).size(), 73u);
    EXPECT_EQ(window_text(client.nickname_edit).size(), 50u);
    show_identification(client, true);
    for (HWND edit : {client.server_name_edit, client.nickname_edit, client.my_ip_edit})
        EXPECT_EQ(window_text(edit), L"");
}

}  // namespace
