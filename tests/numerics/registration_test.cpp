#include "irc/numeric_replies.h"
#include "numerics_fixture.h"
#include "resources/resource_ids.h"
#include "transfer/public_ip.h"

namespace {
using namespace net_test;

class RegistrationTest : public NumericsTest {
protected:
    std::wstring ini;
    void SetUp() override {
        NumericsTest::SetUp();
        ini = folder + L"Settings\\Settings.ini";
        client.connection.host = L"irc.example.test";
        client.connection.port = L"6667";
        client.connection.nickname = L"Nickname1";
        client.connection.username = L"userna";
        client.check_nicknames_online_time = false;
        client.favorites_timer_running = false;
        const wchar_t* channels[][4] = {
            {L"1", L"alpha", L"", L"true"},
            {L"2", L"#beta", L"secret1", L"true"},
            {L"3", L"gamma", L"", L"false"},
            {L"5", L"", L"", L"true"},
            {L"7", L"delta", L"", L"true1"},
        };
        for (auto& c : channels) {
            write(L"channels", (std::wstring(L"channel_name_") + c[0]).c_str(), c[1]);
            write(L"channels", (std::wstring(L"channel_password_") + c[0]).c_str(), c[2]);
            write(L"channels", (std::wstring(L"channel_autojoin_") + c[0]).c_str(), c[3]);
        }
    }
    void TearDown() override {
        KillTimer(client.main_window, favorites_timer_id);
        client.favorites_timer_running = false;
        set_ip_echo_url(L"");
        NumericsTest::TearDown();
    }
    void write(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
        WritePrivateProfileStringW(section, key, value, ini.c_str());
    }
    std::wstring read(const wchar_t* key) {
        wchar_t value[256] = {};
        GetPrivateProfileStringW(L"servers", key, L"", value, 256, ini.c_str());
        return value;
    }
    bool menu_enabled(UINT id) { return !(GetMenuState(client.menu, id, MF_BYCOMMAND) & (MF_DISABLED | MF_GRAYED)); }
};

TEST_F(RegistrationTest, EndOfMotdCompletesRegistration) {
    client.connection.public_ip.clear();
    client.check_nicknames_online_time = true;
    OneShotHttpServer echo("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n203.0.113.7");
    set_ip_echo_url(echo.url());
    feed(L":srv 376 Nickname1 :End of MOTD command");

    // The address arrives on a thread of its own, and is then shown.
    EXPECT_TRUE(wait_until([&] { return window_text(client.my_ip_edit) == L"203.0.113.7"; }));
    EXPECT_EQ(echo.request().substr(0, 6), "GET / ");
    EXPECT_EQ(client.connection.public_ip, L"203.0.113.7");
    EXPECT_FALSE(file_exists(folder + L"Downloads\\myip.txt"));
    EXPECT_EQ(sent_lines(), (std::vector<std::string>{"JOIN #alpha", "JOIN #beta secret1", "JOIN #delta"}));
    EXPECT_FALSE(menu_enabled(IDM_CONNECT));
    EXPECT_TRUE(menu_enabled(IDM_DISCONNECT));
    EXPECT_TRUE(menu_enabled(IDM_JOIN_FAVORITE_CHANNELS));
    EXPECT_EQ(read(L"server_name_default"), L"irc.example.test");
    EXPECT_EQ(read(L"server_port_default"), L"6667");
    EXPECT_EQ(read(L"server_nickname_default"), L"Nickname1");
    EXPECT_EQ(read(L"server_username_default"), L"userna");
    EXPECT_EQ(window_text(client.server_name_edit), L"irc.example.test:6667");
    EXPECT_EQ(window_text(client.nickname_edit), L"Nickname1 (userna)");
    EXPECT_EQ(window_text(client.my_ip_edit), L"203.0.113.7");
    EXPECT_TRUE(client.favorites_timer_running);
}

TEST_F(RegistrationTest, NoMotdDoesTheSameWithoutASecondLookup) {
    // A known address is not looked up again: the service here answers nobody.
    set_ip_echo_url(L"http://127.0.0.1:1/");
    client.connection.public_ip = L"198.51.100.3";
    feed(L":srv 422 Nickname1 :MOTD File is missing");
    EXPECT_EQ(client.connection.public_ip, L"198.51.100.3");
    EXPECT_EQ(window_text(client.my_ip_edit), L"198.51.100.3");
    EXPECT_EQ(sent_lines().size(), 3u);
    EXPECT_FALSE(client.favorites_timer_running);
    EXPECT_FALSE(menu_enabled(IDM_CONNECT));
}

TEST_F(RegistrationTest, RepeatedEndOfWelcomeRegistersOncePerConnection) {
    // The lookup is what would start a thread per reply; it must find a
    // service that answers nobody and still be started only once.
    client.connection.public_ip.clear();
    set_ip_echo_url(L"http://127.0.0.1:1/");
    const unsigned lookups = public_ip_lookups_started();
    feed(L":srv 376 Nickname1 :End of MOTD command");
    pump_messages();
    EXPECT_EQ(sent_lines().size(), 3u);
    const LPARAM picture = SendMessageW(client.connection_image, STM_GETIMAGE, IMAGE_BITMAP, 0);
    for (int repeat = 0; repeat < 3000; ++repeat)
        feed(repeat % 2 ? L":srv 422 Nickname1 :MOTD File is missing" : L":srv 376 Nickname1 :End of MOTD command");
    pump_messages();
    EXPECT_TRUE(sent_lines().empty());  // no JOIN again
    EXPECT_EQ(public_ip_lookups_started(), lookups + 1);

    // A new connection registers again, with the same connected picture
    // (a new one each time would pile up until the system has no more).
    ASSERT_TRUE(connect_to_server(client.server_socket, L"127.0.0.1", server.port()));
    ASSERT_TRUE(server.accept_client());
    feed(L":srv 376 Nickname1 :End of MOTD command");
    pump_messages();
    EXPECT_EQ(sent_lines().size(), 3u);
    EXPECT_EQ(public_ip_lookups_started(), lookups + 2);
    EXPECT_NE(picture, 0);
    EXPECT_EQ(SendMessageW(client.connection_image, STM_GETIMAGE, IMAGE_BITMAP, 0), picture);
}

}  // namespace
