#pragma once
#include <winsock2.h>

#include <functional>

// The way to the server, on the thread that will read it: resolves the name
// (IPv6 and IPv4 addresses, IPv6 first), then tries the addresses, each with a
// non-blocking connect waited on in short steps, the next one starting beside
// a silent one after a moment (net/address_list.h). Every step asks `still_wanted` and gives up at once when it
// turns false (Disconnect, a new Connect, shutdown), so that nobody waiting
// for this thread waits on the network. A step that must come between (a proxy)
// goes between the connect and the return.
//
// Returns the connected socket, non-blocking, or INVALID_SOCKET. A name that
// does not fit the 63-byte buffer, or that the code page cannot spell, is
// refused rather than cut: either would connect to some other host.
SOCKET open_server_connection(const wchar_t* host, unsigned short port, const std::function<bool()>& still_wanted);

// The head start of one address before the next is tried beside it.
constexpr int next_address_after_ms = 300;

// Longest wait for one address to answer; the system's own limit can be two
// minutes, during which a reconnect would make no progress.
constexpr int address_connect_limit_ms = 30000;
