#include "connection/certificate_trust.h"

#include <windows.h>

#include "app/chat_client.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"

CertificateTrust judge_certificate(bool verifies, const std::wstring& stored, const std::wstring& fingerprint) {
    if (verifies) return CertificateTrust::trusted;
    if (stored.empty()) return CertificateTrust::ask;
    // Stored by hand it may be lower-case; the hex digits are the same.
    const bool same = CompareStringOrdinal(stored.c_str(), static_cast<int>(stored.size()), fingerprint.c_str(),
                                           static_cast<int>(fingerprint.size()), TRUE) == CSTR_EQUAL;
    return same ? CertificateTrust::trusted : CertificateTrust::ask_changed;
}

std::wstring fingerprint_key(const ChatClient& client, const std::wstring& host, const std::wstring& port) {
    for (int number = 1; number <= server_count; ++number) {
        const StoredServer& server = client.servers[number];
        if (!server.name[0] || port != server.port) continue;
        if (CompareStringOrdinal(server.name, -1, host.c_str(), -1, TRUE) == CSTR_EQUAL)
            return numbered_key(settings_key::server_fingerprint, number);
    }
    return settings_key::server_fingerprint_default;
}
