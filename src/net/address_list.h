#pragma once
#include <winsock2.h>
#include <ws2tcpip.h>

#include <functional>
#include <string>
#include <vector>

// The addresses a server name stands for, in the order they are tried: IPv6
// first, then IPv4 (each family in the resolver's order, at most 8 of each). A literal address
// ("::1", "[2001:db8::1]", "127.0.0.1") is taken as it is, without a look-up.
struct ResolvedAddress {
    sockaddr_storage address{};
    int length = 0;
    int family() const { return address.ss_family; }
};

// False when the name resolves to nothing; `error` is the resolver's code.
bool resolve_addresses(const std::string& host, unsigned short port, std::vector<ResolvedAddress>& addresses,
                       int& error);

// A literal address in brackets loses them ("[::1]" -> "::1").
std::string bare_host(const std::string& host);

// Connects to the first address that answers. The addresses start one after
// the other, each `stagger_ms` after the last while the earlier ones still
// wait (a family that is not routed fails at once and hands over at once; a
// silent one only costs its head start), and the first to connect wins. Every
// wait is a step of a tenth of a second that asks `still_wanted`. Gives up
// `limit_ms` after the last address started. INVALID_SOCKET when none
// answered; the socket returned is non-blocking.
SOCKET connect_first_reachable(const std::vector<ResolvedAddress>& addresses, const std::function<bool()>& still_wanted,
                               int stagger_ms = 300, int limit_ms = 30000);
