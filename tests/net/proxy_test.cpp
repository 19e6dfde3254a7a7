// SOCKS5 against a real proxy (microsocks, started here with a user name and
// password) and the address list against real sockets of both families.
#include <gtest/gtest.h>

#include <string>

#include "net/address_list.h"
#include "net/socks5.h"
#include "net/host_port.h"
#include "support/loopback.h"
#include "support/socks_proxy.h"

namespace {

// A listener on ::1 at a port of the system's choosing.
SOCKET listen_on_ipv6_loopback(unsigned short& port) {
    SOCKET listener = socket(AF_INET6, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    int length = sizeof address;
    port = 0;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(listener, 4) == 0 &&
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin6_port);
    return listener;
}

// The port a listener had, now closed: nothing answers there.
unsigned short closed_port() {
    unsigned short port = 0;
    closesocket(listen_on_loopback(1, port));
    return port;
}

// What the next connection to `listener` sends before it closes.
std::string received_by(SOCKET listener) {
    SOCKET peer = accept(listener, nullptr, nullptr);
    std::string received;
    closed_within(peer, 5000, &received);
    closesocket(peer);
    return received;
}

TEST(Socks5Proxy, ReachesTheServerOrSaysWhyNot) {
    std::string start_error;
    const unsigned short proxy_port = socks_test::start_microsocks(start_error);
    ASSERT_NE(proxy_port, 0) << "microsocks did not start: " << start_error;
    unsigned short open_port = 0, open6_port = 0;
    SOCKET listener = listen_on_loopback(4, open_port);
    SOCKET listener6 = listen_on_ipv6_loopback(open6_port);
    const unsigned short nobody = closed_port();
    const struct {
        const char *user, *password, *host;
        unsigned short port;
        const wchar_t* error;  // nullptr: reaches the listener
    } cases[] = {
        {"tester", "s0cks", "127.0.0.1", open_port, nullptr},
        {"tester", "s0cks", "localhost", open_port, nullptr},  // the name is resolved by the proxy
        {"tester", "s0cks", "[::1]", open6_port, nullptr},
        {"tester", "wrong", "127.0.0.1", open_port, L"Proxy: user name or password refused"},
        {"", "", "127.0.0.1", open_port, L"Proxy: the proxy asks for a user name and password"},
        {"tester", "s0cks", "127.0.0.1", nobody, L"Proxy: connection refused by the server"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.user << "/" << c.password << " " << c.host);
        SOCKET sock = connect_to_loopback(proxy_port);
        const Socks5Outcome outcome = socks5_connect(sock, {c.host, c.port, c.user, c.password}, [] { return true; });
        EXPECT_EQ(outcome.connected, c.error == nullptr);
        EXPECT_EQ(outcome.error, c.error ? c.error : L"");
        if (outcome.connected) {
            send(sock, "NICK x\r\n", 8, 0);
            shutdown(sock, SD_SEND);
            EXPECT_EQ(received_by(c.host[0] == '[' ? listener6 : listener), "NICK x\r\n");
        }
        closesocket(sock);
    }
    closesocket(listener);
    closesocket(listener6);
    socks_test::stop_microsocks();
}

TEST(Socks5, ASilentProxyIsLeftWhenNoLongerWanted) {
    unsigned short port = 0;
    SOCKET listener = listen_on_loopback(1, port);
    SOCKET sock = connect_to_loopback(port);
    int asked = 0;
    const Socks5Outcome outcome = socks5_connect(sock, {"irc.example.test", 6667, "", ""}, [&] { return ++asked < 4; });
    EXPECT_FALSE(outcome.connected);
    EXPECT_EQ(outcome.error, L"Proxy: connection abandoned");
    EXPECT_EQ(socks5_reply_text(4), L"host unreachable");
    EXPECT_EQ(socks5_reply_text(99), L"unknown proxy reply 99");
    closesocket(sock);
    closesocket(listener);
}

TEST(HostPort, APortTypedWithTheNameIsSplitOffButAnIpv6AddressStaysWhole) {
    std::wstring host, port;
    for (const wchar_t* whole : {L"2001:db8::1", L"host:", L"host:66a", L":6667"})
        EXPECT_FALSE(split_host_port(whole, host, port)) << whole;
    EXPECT_TRUE(split_host_port(L"[2001:db8::1]:7000", host, port) && host == L"2001:db8::1" && port == L"7000");
}

TEST(AddressList, LiteralsNeedNoLookUpAndIpv6ComesFirst) {
    const std::pair<const char*, int> cases[] = {{"::1", AF_INET6}, {"[::1]", AF_INET6}, {"127.0.0.1", AF_INET}};
    std::vector<ResolvedAddress> addresses;
    int error = 0;
    for (const auto& c : cases) {
        ASSERT_TRUE(resolve_addresses(c.first, 6667, addresses, error)) << c.first << " " << error;
        ASSERT_EQ(addresses.size(), 1u);
        EXPECT_EQ(addresses[0].family(), c.second) << c.first;
    }
    ASSERT_TRUE(resolve_addresses("localhost", 6667, addresses, error));
    for (size_t i = 1; i < addresses.size(); ++i)
        EXPECT_FALSE(addresses[i].family() == AF_INET6 && addresses[i - 1].family() == AF_INET) << "IPv6 first";
}

TEST(AddressList, AnAddressThatRefusesFallsBackToTheNext) {
    unsigned short open_port = 0, open6_port = 0;
    SOCKET listener = listen_on_loopback(4, open_port);
    SOCKET listener6 = listen_on_ipv6_loopback(open6_port);
    std::vector<ResolvedAddress> refusing, reaching4, reaching6;
    int error = 0;
    ASSERT_TRUE(resolve_addresses("::1", closed_port(), refusing, error));
    ASSERT_TRUE(resolve_addresses("127.0.0.1", open_port, reaching4, error));
    ASSERT_TRUE(resolve_addresses("::1", open6_port, reaching6, error));
    std::vector<ResolvedAddress> both = refusing;
    both.push_back(reaching4[0]);
    const auto always = [] { return true; };
    SOCKET sock = connect_first_reachable(both, always);
    ASSERT_NE(sock, INVALID_SOCKET);
    sockaddr_storage peer{};
    int length = sizeof peer;
    getpeername(sock, reinterpret_cast<sockaddr*>(&peer), &length);
    EXPECT_EQ(peer.ss_family, AF_INET);
    closesocket(sock);
    sock = connect_first_reachable(reaching6, always);
    EXPECT_NE(sock, INVALID_SOCKET);
    closesocket(sock);
    EXPECT_EQ(connect_first_reachable(reaching6, [] { return false; }), INVALID_SOCKET);
    closesocket(listener);
    closesocket(listener6);
}

}  // namespace
