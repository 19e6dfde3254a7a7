#pragma once
#include <string>

class ChatClient;

// What to do with a server's certificate.
enum class CertificateTrust {
    trusted,      // verified by the system, or the fingerprint the user trusted
    ask,          // never trusted: ask the user
    ask_changed,  // the user trusted another certificate for this server: ask, saying so
};

// A certificate that verifies is trusted whatever was stored (servers renew
// theirs); one that does not is trusted only by its stored fingerprint.
CertificateTrust judge_certificate(bool verifies, const std::wstring& stored, const std::wstring& fingerprint);

// The [servers] key that holds the fingerprint trusted for `host`:`port`:
// server_fingerprint_N of the stored server with that name (letter case
// aside) and port, else server_fingerprint_default. User-interface thread.
std::wstring fingerprint_key(const ChatClient& client, const std::wstring& host, const std::wstring& port);
