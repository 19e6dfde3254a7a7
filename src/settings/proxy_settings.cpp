#include "settings/proxy_settings.h"

#include "net/host_port.h"
#include "settings/protected_secret.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"

namespace {
using namespace settings_key;

// Longest host (a name or an IPv6 address in brackets) and login text kept:
// SOCKS5 carries at most 255 bytes of each.
constexpr size_t host_limit = 255;
constexpr size_t login_limit = 255;

std::wstring read_preference(const ChatClient& client, const wchar_t* key, size_t limit) {
    return read_setting(client, preferences_section, key).substr(0, limit);
}

struct TypeWord {
    ProxyType type;
    const wchar_t* word;
};
constexpr TypeWord type_words[] = {{ProxyType::none, L"none"}, {ProxyType::socks5, L"socks5"}};
}  // namespace

const wchar_t* proxy_type_word(ProxyType type) {
    for (const TypeWord& entry : type_words)
        if (entry.type == type) return entry.word;
    return type_words[0].word;
}

ProxyType proxy_type_of(const std::wstring& word) {
    for (const TypeWord& entry : type_words)
        if (_wcsicmp(entry.word, word.c_str()) == 0) return entry.type;
    return ProxyType::none;
}

ProxySettings read_proxy_settings(const ChatClient& client) {
    ProxySettings proxy;
    proxy.type = proxy_type_of(read_setting(client, preferences_section, settings_key::proxy_type));
    proxy.host = read_preference(client, proxy_host, host_limit);
    proxy.port = read_preference(client, proxy_port, 5);
    proxy.username = read_preference(client, proxy_username, login_limit);
    const std::wstring stored = read_setting(client, preferences_section, proxy_password);
    const SecretState state = open_secret(stored, proxy.password);
    proxy.password = proxy.password.substr(0, login_limit);
    proxy.password_unreadable = state == SecretState::unreadable;
    // Written by hand: from now on kept protected.
    if (state == SecretState::plain && !proxy.password.empty()) {
        const std::wstring sealed = protect_secret(proxy.password);
        if (!sealed.empty()) write_setting(client, preferences_section, proxy_password, sealed);
    }
    return proxy;
}

void write_proxy_settings(const ChatClient& client, const ProxySettings& proxy) {
    write_setting(client, preferences_section, settings_key::proxy_type, proxy_type_word(proxy.type));
    write_setting(client, preferences_section, proxy_host, proxy.host.substr(0, host_limit));
    write_setting(client, preferences_section, proxy_port, proxy.port.substr(0, 5));
    write_setting(client, preferences_section, proxy_username, proxy.username.substr(0, login_limit));
    write_setting(client, preferences_section, proxy_password,
                  proxy.password.empty() ? std::wstring() : protect_secret(proxy.password.substr(0, login_limit)));
}

ProxyRoute proxy_route(const ProxySettings& proxy) {
    ProxyRoute route;
    if (proxy.type != ProxyType::socks5) return route;
    route.on = true;
    route.host = host_without_brackets(proxy.host);
    route.port = port_number(proxy.port);
    route.username = proxy.username;
    route.password = proxy.password;
    return route;
}

void load_proxy_settings(const ChatClient& client) {
    set_proxy_configured(proxy_route(read_proxy_settings(client)).on);
}
