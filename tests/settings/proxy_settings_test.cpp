#include <gtest/gtest.h>

#include "settings/account_settings.h"
#include "settings/proxy_settings.h"
#include "settings/settings_file.h"
#include "settings_folder.h"

namespace {

TEST(ProxySettings, ReadProtectedAndNeverFallingBackToADirectConnection) {
    SettingsFolder settings;
    ChatClient& client = settings.client;
    settings.write_ini(
        "[preferences]\r\nproxy_type=SOCKS5\r\nproxy_host=[::1]\r\nproxy_port=99999\r\nproxy_username=tor\r\n"
        "proxy_password=typed\r\n[servers]\r\nserver_proxy_2=none\r\nserver_proxy_default=bogus\r\n");
    const ProxySettings proxy = read_proxy_settings(client);
    EXPECT_EQ(proxy.type, ProxyType::socks5);
    EXPECT_EQ(proxy.password, L"typed");
    EXPECT_EQ(read_setting(client, L"preferences", L"proxy_password").rfind(L"protected:", 0), 0u);
    EXPECT_EQ(read_proxy_settings(client).password, L"typed");
    // A route that is on without a usable port fails rather than going direct.
    const ProxyRoute route = proxy_route(proxy);
    EXPECT_TRUE(route.on);
    EXPECT_EQ(route.host, L"::1");
    EXPECT_EQ(route.port, 0);
    std::wstring error;
    EXPECT_EQ(open_through_proxy(route, L"irc.example.net", 6667, [] { return true; }, error), INVALID_SOCKET);
    EXPECT_EQ(error, L"Proxy: no proxy host and port (1 to 65535) are set in the preferences");
    load_proxy_settings(client);
    EXPECT_TRUE(proxy_configured());
    write_proxy_settings(client, ProxySettings{});
    load_proxy_settings(client);
    EXPECT_FALSE(proxy_configured());
    EXPECT_EQ(read_setting(client, L"preferences", L"proxy_type"), L"none");

    EXPECT_TRUE(read_server_account(client, 2).account.without_proxy);
    EXPECT_FALSE(read_server_account(client, 0).account.without_proxy);
    write_server_account(client, 5, ServerAccount{});
    EXPECT_EQ(read_setting(client, L"servers", L"server_proxy_5"), L"");
    ServerAccount direct;
    direct.without_proxy = true;
    write_server_account(client, 5, direct);
    EXPECT_EQ(read_setting(client, L"servers", L"server_proxy_5"), L"none");
}

}  // namespace
