#pragma once
#include <winsock2.h>

#include <functional>
#include <string>

// Asks a SOCKS5 proxy for a connection, over `sock` (already connected to the
// proxy). The host goes to the proxy as it was typed (remote DNS): a name is
// never looked up on this machine, so with Tor nothing leaks by a local
// look-up. Literal IPv4 and IPv6 addresses go as addresses.
struct Socks5Request {
    std::string host;  // UTF-8, at most 255 bytes
    unsigned short port = 0;
    std::string username;  // empty: no user name and password offered
    std::string password;
};

struct Socks5Outcome {
    bool connected = false;
    std::wstring error;  // what went wrong, in words
};

// Every wait is made in steps of a tenth of a second that ask `still_wanted`;
// gives up after `timeout_ms` without an answer.
Socks5Outcome socks5_connect(SOCKET sock, const Socks5Request& request, const std::function<bool()>& still_wanted,
                             int timeout_ms = 30000);

// The proxy's reply code (1 to 8) in words.
std::wstring socks5_reply_text(int code);
