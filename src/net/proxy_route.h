#pragma once
#include <winsock2.h>

#include <functional>
#include <string>

// A SOCKS5 proxy that the connection to the IRC server goes through. The
// server's name is handed to the proxy as it was typed: with a proxy set, no
// look-up of that name is made on this machine (only the proxy's own name is
// looked up, and usually it is an address such as 127.0.0.1).
// A route that is on but lacks a host or port fails: it never falls back to
// a direct connection.
struct ProxyRoute {
    bool on = false;
    std::wstring host;
    unsigned short port = 0;  // 0: not a usable port
    std::wstring username;    // empty: the proxy is offered no login
    std::wstring password;
};

// Connects to the proxy, then asks it for `host`:`port`. Every wait is a step
// of a tenth of a second that asks `still_wanted`. The connected socket
// (non-blocking), or INVALID_SOCKET with `error` saying why in words.
SOCKET open_through_proxy(const ProxyRoute& proxy, const std::wstring& host, unsigned short port,
                          const std::function<bool()>& still_wanted, std::wstring& error);

// Whether the preferences set a proxy for the program: file transfers and
// link downloads, which would go around it, are refused meanwhile. Any thread.
void set_proxy_configured(bool configured);
bool proxy_configured();
