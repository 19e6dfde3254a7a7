#include "settings/account_settings.h"

#include "settings/protected_secret.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"
#include "settings/switch_rules.h"

namespace {
using namespace settings_key;

struct AccountKeys {
    const wchar_t* numbered;
    const wchar_t* last;
};
constexpr AccountKeys password_key{server_password, server_password_default};
constexpr AccountKeys method_key{server_sasl_method, server_sasl_method_default};
constexpr AccountKeys account_key{server_sasl_account, server_sasl_account_default};
constexpr AccountKeys sasl_password_key{server_sasl_password, server_sasl_password_default};
constexpr AccountKeys required_key{server_sasl_required, server_sasl_required_default};
constexpr AccountKeys unencrypted_key{server_sasl_unencrypted, server_sasl_unencrypted_default};
constexpr AccountKeys proxy_key{server_proxy, server_proxy_default};
constexpr AccountKeys certificate_key{server_sasl_certificate, server_sasl_certificate_default};
// server_proxy_N: the preferences' proxy, or none for this server.
constexpr const wchar_t* proxy_default_word = L"default";
constexpr const wchar_t* proxy_none_word = L"none";

std::wstring key_of(const AccountKeys& keys, int number) {
    return number ? numbered_key(keys.numbered, number) : std::wstring(keys.last);
}

std::wstring read(const ChatClient& client, const AccountKeys& keys, int number) {
    return read_setting(client, servers_section, key_of(keys, number).c_str());
}

void write(const ChatClient& client, const AccountKeys& keys, int number, const std::wstring& value) {
    write_setting(client, servers_section, key_of(keys, number).c_str(), value);
}

std::wstring read_secret(const ChatClient& client, const AccountKeys& keys, int number, bool& unreadable) {
    const std::wstring stored = read(client, keys, number);
    std::wstring secret;
    const SecretState state = open_secret(stored, secret);
    if (state == SecretState::unreadable) unreadable = true;
    // Written by hand: from now on kept protected.
    if (state == SecretState::plain && !secret.empty()) {
        const std::wstring sealed = protect_secret(secret);
        if (!sealed.empty()) write(client, keys, number, sealed);
    }
    return secret;
}
}  // namespace

StoredAccount read_server_account(const ChatClient& client, int number) {
    StoredAccount stored;
    ServerAccount& account = stored.account;
    account.server_password = read_secret(client, password_key, number, stored.password_unreadable);
    account.method = sasl_method_of(read(client, method_key, number));
    account.account = read(client, account_key, number);
    account.certificate = read(client, certificate_key, number);
    account.password = read_secret(client, sasl_password_key, number, stored.password_unreadable);
    // Not being logged in is what the user least expects: required unless switched off.
    account.required = read_default_on_switch(read(client, required_key, number).c_str());
    account.allow_unencrypted = read_default_off_switch(read(client, unencrypted_key, number).c_str());
    account.without_proxy = _wcsicmp(read(client, proxy_key, number).c_str(), proxy_none_word) == 0;
    return stored;
}

void write_server_account(const ChatClient& client, int number, const ServerAccount& account) {
    // A file that never had the key gets it only for a server without the proxy.
    if (account.without_proxy || !read(client, proxy_key, number).empty())
        write(client, proxy_key, number, account.without_proxy ? proxy_none_word : proxy_default_word);
    const bool any = !account.server_password.empty() || account.method != SaslMethod::none;
    if (!any && read(client, method_key, number).empty() && read(client, password_key, number).empty()) return;
    write(client, password_key, number, protect_secret(account.server_password));
    write(client, method_key, number, sasl_method_word(account.method));
    write(client, account_key, number, account.account);
    if (!account.certificate.empty() || !read(client, certificate_key, number).empty())
        write(client, certificate_key, number, account.certificate);
    write(client, sasl_password_key, number, protect_secret(account.password));
    write(client, required_key, number, switch_text(account.required));
    write(client, unencrypted_key, number, switch_text(account.allow_unencrypted));
}
