// Quillmere through a real SOCKS5 proxy (microsocks) to a real ngircd, plain
// and TLS, with a server name that only the proxy can look up; and straight
// to an ngircd listening on the IPv6 loopback only.
#include <gtest/gtest.h>

#include "connection/connection_start.h"
#include "connection/receive_loop.h"
#include "connection/reconnect.h"
#include "e2e_support.h"
#include "links/link_download.h"
#include "net/address_list.h"
#include "settings/settings_file.h"
#include "support/ngircd_instance.h"
#include "support/socks_proxy.h"

namespace {
using namespace net_test;

constexpr const char* behind_proxy = "irc.behind-proxy.test";

class ProxyEndToEnd : public testing::Test {
protected:
    ChatClient& client = test_client();
    ngircd_test::ServerInstance server;
    std::wstring ini;

    void SetUp() override {
        stop_receive_thread(client);
        ini = use_fresh_folder(client, L"proxy") + L"Settings\\Settings.ini";
        client.check_compatible_app = false;
        client.enable_sounds_app = false;
        client.save_log_file = false;
        client.auto_reconnect = false;
        client.connection.public_ip = L"192.0.2.1";  // no lookup on the network
        set_message_box_hook([](HWND, const wchar_t*, const wchar_t*, UINT) { return IDYES; });
    }
    void TearDown() override {
        refuse_reconnect(client);
        stop_receive_thread(client);
        pump_messages();
        set_message_box_hook(nullptr);
        socks_test::stop_microsocks();
        WritePrivateProfileStringW(L"preferences", L"proxy_type", L"none", ini.c_str());
        load_settings(client, SettingsGroup::preferences);
    }
    void set_preference(const wchar_t* key, const std::wstring& value) {
        WritePrivateProfileStringW(L"preferences", key, value.c_str(), ini.c_str());
    }
    bool connect(const std::wstring& host, const std::wstring& port, bool tls = false) {
        stop_receive_thread(client);
        return connect_and_start(client, ConnectRequest{host, port, L"Quillproxy", L"quilprox", tls});
    }
    bool registered() {
        return wait_until([&] {
            return client.server_socket.connected && client.server_socket.registered == client.server_socket.opened;
        }, 20000);
    }
    std::wstring server_tab() { return chat_text(client, 0); }
    std::string shown() { return narrow_text(server_tab().c_str(), CP_ACP); }
};

TEST_F(ProxyEndToEnd, TheProxyLooksUpTheNameAndCarriesPlainAndTls) {
    ngircd_test::ServerOptions options;
    options.tls_port = 0;
    std::string error;
    ASSERT_TRUE(server.start(options, error)) << error;
    const unsigned short proxy_port = socks_test::start_microsocks(error, behind_proxy);
    ASSERT_NE(proxy_port, 0) << error;
    // This machine cannot look the name up: only a name the proxy resolved reaches the server.
    std::vector<ResolvedAddress> addresses;
    int lookup_error = 0;
    ASSERT_FALSE(resolve_addresses(behind_proxy, 6667, addresses, lookup_error));

    set_preference(L"proxy_type", L"socks5");
    set_preference(L"proxy_host", L"127.0.0.1");
    set_preference(L"proxy_port", std::to_wstring(proxy_port));
    set_preference(L"proxy_username", L"tester");
    set_preference(L"proxy_password", L"s0cks");
    const std::wstring name(behind_proxy, behind_proxy + strlen(behind_proxy));
    ASSERT_TRUE(connect(name + L":" + std::to_wstring(server.port()), L""));
    ASSERT_TRUE(registered()) << shown();
    EXPECT_TRUE(contains(server_tab(), L"Through the SOCKS5 proxy 127.0.0.1:" + std::to_wstring(proxy_port))) << shown();
    EXPECT_EQ(read_setting(client, L"preferences", L"proxy_password").rfind(L"protected:", 0), 0u);

    ASSERT_TRUE(connect(name, std::to_wstring(server.tls_port()), true));
    ASSERT_TRUE(registered()) << shown();
    EXPECT_TRUE(contains(server_tab(), L"Encrypted connection (TLS 1.")) << shown();

    // The proxy's refusals in words, and no direct connection instead.
    const std::pair<const wchar_t*, const wchar_t*> refusals[] = {
        {L"wrong", L"Proxy: user name or password refused"},
        {L"s0cks", L"Proxy: connection refused by the server"},
    };
    for (const auto& refusal : refusals) {
        set_preference(L"proxy_password", refusal.first);
        const unsigned short port = refusal.first[0] == L'w' ? server.port() : 1;
        ASSERT_TRUE(connect(name, std::to_wstring(port)));
        EXPECT_TRUE(wait_until([&] { return contains(server_tab(), refusal.second); }, 20000)) << shown();
        EXPECT_NE(client.server_socket.registered.load(), client.server_socket.opened.load());
    }

    // What would go around the proxy is refused while it is set.
    load_settings(client, SettingsGroup::preferences);
    EXPECT_FALSE(queue_download(client.app_folder, L"https://example.test/picture.png"));
}

TEST_F(ProxyEndToEnd, AServerOnTheIpv6LoopbackIsReachedByItsLiteralAddress) {
    ngircd_test::ServerOptions options;
    options.listen = "::1";
    std::string error;
    ASSERT_TRUE(server.start(options, error)) << error;
    const std::wstring port = std::to_wstring(server.port());
    for (const auto& typed : {std::make_pair(L"[::1]:" + port, std::wstring()), std::make_pair(std::wstring(L"::1"), port)}) {
        ASSERT_TRUE(connect(typed.first, typed.second));
        EXPECT_TRUE(registered()) << shown();
    }
}

}  // namespace
