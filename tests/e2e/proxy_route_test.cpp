// Through a real SOCKS5 proxy (microsocks) to a real ngircd, plain and TLS, by
// a name only the proxy can look up; an ngircd on the IPv6 loopback only.
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

class ProxyEndToEnd : public testing::Test {
protected:
    ChatClient& client = test_client();
    ngircd_test::ServerInstance server;
    std::wstring ini;

    void SetUp() override {
        stop_receive_thread(client);
        ini = use_fresh_folder(client, L"proxy") + L"Settings\\Settings.ini";
        client.check_compatible_app = client.enable_sounds_app = client.save_log_file = client.auto_reconnect = false;
        client.connection.public_ip = L"192.0.2.1";  // no lookup on the network
        set_message_box_hook([](HWND, const wchar_t*, const wchar_t*, UINT) { return IDYES; });
    }
    void TearDown() override {
        refuse_reconnect(client);
        stop_receive_thread(client);
        set_message_box_hook(nullptr);
        socks_test::stop_microsocks();
        set(L"proxy_type", L"none");
        load_settings(client, SettingsGroup::preferences);
    }
    void set(const wchar_t* key, const std::wstring& value) {
        WritePrivateProfileStringW(L"preferences", key, value.c_str(), ini.c_str());
    }
    // Connects and waits for the end of registration, or for `refusal` in the server tab.
    bool reaches(const std::wstring& host, const std::wstring& port, bool tls = false, const wchar_t* refusal = nullptr,
                 bool direct = false) {
        stop_receive_thread(client);
        ConnectRequest request{host, port, L"Quillproxy", L"quilprox", tls};
        request.account.without_proxy = direct;
        const ServerSocket& server = client.server_socket;
        const auto done = [&] {
            if (refusal) return contains(chat_text(client, 0), refusal);
            return server.connected && server.registered == server.opened;
        };
        return connect_and_start(client, request) && wait_until(done, 20000);
    }
    std::string shown() { return narrow_text(chat_text(client, 0).c_str(), CP_ACP); }
};

TEST_F(ProxyEndToEnd, TheProxyLooksUpTheNameAndCarriesPlainAndTls) {
    ngircd_test::ServerOptions options;
    options.tls_port = 0;
    std::string error;
    ASSERT_TRUE(server.start(options, error)) << error;
    const unsigned short proxy_port = socks_test::start_microsocks(error, "irc.behind-proxy.test");
    ASSERT_NE(proxy_port, 0) << error;
    // Not to be looked up here: reaching it proves the proxy looked it up.
    std::vector<ResolvedAddress> addresses;
    int lookup_error = 0;
    ASSERT_FALSE(resolve_addresses("irc.behind-proxy.test", 6667, addresses, lookup_error));
    std::wstring keys = L"proxy_type=socks5|proxy_host=127.0.0.1|proxy_username=tester|proxy_password=s0cks|";
    keys += L"proxy_port=" + std::to_wstring(proxy_port) + L"||";
    for (wchar_t& c : keys) c = c == L'|' ? L'\0' : c;
    WritePrivateProfileSectionW(L"preferences", keys.c_str(), ini.c_str());
    const std::wstring name = L"irc.behind-proxy.test", port = std::to_wstring(server.port());
    ASSERT_TRUE(reaches(name + L":" + port, L"")) << shown();
    EXPECT_TRUE(contains(chat_text(client, 0), L"Through the SOCKS5 proxy 127.0.0.1:" + std::to_wstring(proxy_port)));
    EXPECT_EQ(read_setting(client, L"preferences", L"proxy_password").rfind(L"protected:", 0), 0u);
    ASSERT_TRUE(reaches(name, std::to_wstring(server.tls_port()), true)) << shown();
    EXPECT_TRUE(contains(chat_text(client, 0), L"Encrypted connection (TLS 1.")) << shown();
    // A server set to go without the proxy; the proxy's refusals in words, never a direct connection instead.
    EXPECT_TRUE(reaches(L"127.0.0.1", port, false, nullptr, true) && !contains(chat_text(client, 0), L"SOCKS5"));
    EXPECT_TRUE(reaches(name, L"1", false, L"Proxy: connection refused by the server")) << shown();
    set(L"proxy_port", L"0");
    EXPECT_TRUE(reaches(L"127.0.0.1", port, false, L"Proxy: no proxy host and port (1 to 65535) are set")) << shown();
    set(L"proxy_port", std::to_wstring(proxy_port));
    set(L"proxy_password", L"wrong");
    EXPECT_TRUE(reaches(name, port, false, L"Proxy: user name or password refused")) << shown();
    EXPECT_NE(client.server_socket.registered.load(), client.server_socket.opened.load());
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
    EXPECT_TRUE(reaches(L"[::1]:" + port, L"") && reaches(L"::1", port)) << shown();
}

}  // namespace
