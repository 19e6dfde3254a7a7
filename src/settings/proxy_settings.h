#pragma once
#include <string>

#include "net/proxy_route.h"

class ChatClient;

// The proxy of [preferences]: proxy_type ("none", "socks5"), proxy_host,
// proxy_port, proxy_username and proxy_password (protected like the server
// passwords; a hand-written one is protected when read).
enum class ProxyType { none, socks5 };

struct ProxySettings {
    ProxyType type = ProxyType::none;
    std::wstring host;
    std::wstring port;
    std::wstring username;
    std::wstring password;
    // The stored password was sealed for another user or machine.
    bool password_unreadable = false;
};

ProxySettings read_proxy_settings(const ChatClient& client);
void write_proxy_settings(const ChatClient& client, const ProxySettings& proxy);

// "none", "socks5": the settings file's words; anything else reads as none.
const wchar_t* proxy_type_word(ProxyType type);
ProxyType proxy_type_of(const std::wstring& word);

// The route a connection takes under these settings: on for socks5 (its port
// 0 when the text is not a port from 1 to 65535).
ProxyRoute proxy_route(const ProxySettings& proxy);

// Reads the settings into proxy_configured (net/proxy_route.h); called with
// the other preferences.
void load_proxy_settings(const ChatClient& client);
