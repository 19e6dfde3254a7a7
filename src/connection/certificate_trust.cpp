#include "connection/certificate_trust.h"

#include <windows.h>

#include "app/chat_client.h"
#include "app/text.h"
#include "connection/connection_start.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"

namespace {
constexpr const wchar_t* trust_key_format = L"%s:%d";
constexpr const wchar_t* verified_value = L"true";

bool same_text_ignoring_case(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

bool plain_key_character(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'.' || c == L'-' || c == L'_';
}

// The server lines that name the same server.
template <typename Visit>
void for_each_line_of(const ChatClient& client, const std::wstring& key, Visit visit) {
    for (int number = 1; number <= server_count; ++number) {
        const StoredServer& server = client.servers[number];
        if (server.name[0] && trust_key(server.name, server.port) == key) visit(number);
    }
}
}  // namespace

CertificateTrust judge_certificate(bool verifies, const StoredTrust& stored, const std::wstring& fingerprint) {
    if (verifies) return CertificateTrust::trusted;
    bool had_one = stored.once_verified;
    for (const std::wstring& trusted : stored.fingerprints) {
        if (trusted.empty()) continue;
        // Stored by hand it may be lower-case; the hex digits are the same.
        if (same_text_ignoring_case(trusted, fingerprint)) return CertificateTrust::trusted;
        had_one = true;
    }
    return had_one ? CertificateTrust::ask_changed : CertificateTrust::ask;
}

std::wstring trust_key(const std::wstring& host, const std::wstring& port) {
    std::wstring lower = host;
    if (!lower.empty()) CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
    std::wstring name;
    for (wchar_t c : lower) {
        if (plain_key_character(c)) {
            name += c;
            continue;
        }
        constexpr const wchar_t* digits = L"0123456789ABCDEF";
        name += L'%';
        for (int shift = 12; shift >= 0; shift -= 4) name += digits[(c >> shift) & 0xF];
    }
    return format_text(trust_key_format, name, static_cast<int>(port_number(port)));
}

StoredTrust read_trust(const ChatClient& client, const std::wstring& host, const std::wstring& port) {
    const std::wstring key = trust_key(host, port);
    StoredTrust stored;
    stored.fingerprints.push_back(read_setting(client, settings_key::trusted_certificates_section, key.c_str()));
    for_each_line_of(client, key, [&](int number) {
        stored.fingerprints.push_back(read_setting(
            client, settings_key::servers_section, numbered_key(settings_key::server_fingerprint, number).c_str()));
    });
    stored.once_verified =
        read_setting(client, settings_key::verified_servers_section, key.c_str()) == verified_value;
    return stored;
}

void trust_fingerprint(const ChatClient& client, const std::wstring& host, const std::wstring& port,
                       const std::wstring& fingerprint) {
    const std::wstring key = trust_key(host, port);
    write_setting(client, settings_key::trusted_certificates_section, key.c_str(), fingerprint);
    // An older certificate of the server must not stay trusted beside the new one.
    for_each_line_of(client, key, [&](int number) { forget_line_fingerprint(client, number); });
}

void remember_verified(const ChatClient& client, const std::wstring& host, const std::wstring& port) {
    write_setting(client, settings_key::verified_servers_section, trust_key(host, port).c_str(), verified_value);
}

void forget_line_fingerprint(const ChatClient& client, int number) {
    remove_setting(client, settings_key::servers_section,
                   numbered_key(settings_key::server_fingerprint, number).c_str());
}
