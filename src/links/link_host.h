#pragma once
#include <winsock2.h>

#include <cstdint>
#include <string>
#include <string_view>

// Whether an automatic download may reach a host. A link in a message must
// not make the program send requests into the user's own network (a router's
// admin page, a printer, a service on this machine): loopback, private,
// link-local, carrier-grade shared, unspecified, multicast and reserved
// addresses are local, in every form a link can write them.

// True for an IPv4 address (host byte order) of 0/8, 10/8, 100.64/10,
// 127/8, 169.254/16, 172.16/12, 192.0.0/24, 192.168/16, 198.18/15 or 224/3.
bool is_local_ipv4(std::uint32_t address);
// True for ::, ::1, fc00::/7, fe80::/10, fec0::/10, ff00::/8, and for the
// forms that carry an IPv4 address (::ffff:a.b.c.d, ::a.b.c.d, 64:ff9b::/96,
// 2002::/16) when that address is local.
bool is_local_ipv6(const unsigned char (&address)[16]);
// Either family; false for anything else.
bool is_local_address(const sockaddr* address);

// An IPv4 address in any form the system's resolvers read: one to four parts
// separated by dots, each decimal, octal (a leading 0) or hexadecimal (0x),
// the last filling the bytes left ("2130706433", "0x7f.1", "017700000001",
// "127.1"). False when the text is not such an address.
bool parse_ipv4_numbers(std::wstring_view text, std::uint32_t& address);

// The host of a web link (is_web_link holds): without brackets, port or a
// trailing dot.
std::wstring link_host(std::wstring_view link);

enum class HostReach { outside, local, unresolved };

// Judges the link's host: an address as it is written; a name whose last
// label starts with a digit as an IPv4 address (no real name ends so), local
// when it is not one; "localhost" and names under it as local; any other
// name by every address it resolves to now, local when any of them is.
HostReach judge_link_host(std::wstring_view link);

// The same for an address as the network library reports it (text, "a.b.c.d"
// or an IPv6 form); outside when it cannot be read.
HostReach judge_address_text(const std::string& address);
