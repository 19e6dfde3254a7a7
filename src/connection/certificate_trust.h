#pragma once
#include <string>
#include <vector>

class ChatClient;

// What to do with a server's certificate.
enum class CertificateTrust {
    trusted,      // verified by the system, or a fingerprint the user trusted for this server
    ask,          // never trusted: ask the user
    ask_changed,  // this server showed another certificate before: ask, saying so
};

// What Settings.ini holds about one server (host and port) before its
// certificate arrives.
struct StoredTrust {
    // The fingerprint trusted for this host and port, then those of the
    // stored server lines with the same name and port (server_fingerprint_N).
    std::vector<std::wstring> fingerprints;
    // Windows vouched for a certificate of this server once.
    bool once_verified = false;
};

// A certificate that verifies is trusted whatever was stored (servers renew
// theirs); one that does not is trusted only by a fingerprint stored for the
// same server. A server that had a trusted or verified certificate before is
// asked about as a change.
CertificateTrust judge_certificate(bool verifies, const StoredTrust& stored, const std::wstring& fingerprint);

// The name under which one server's trust is kept: the host in lower case
// and the port as a number ("irc.example.net:6697"). Characters a key of an
// INI file cannot hold safely are written as %XXXX, so two hosts never share
// a key.
std::wstring trust_key(const std::wstring& host, const std::wstring& port);

// User-interface thread: what is stored for `host`:`port`.
StoredTrust read_trust(const ChatClient& client, const std::wstring& host, const std::wstring& port);

// User-interface thread: the user trusts `fingerprint` for `host`:`port`. It
// replaces what was trusted for that server before, the numbered keys of
// its server lines included.
void trust_fingerprint(const ChatClient& client, const std::wstring& host, const std::wstring& port,
                       const std::wstring& fingerprint);

// User-interface thread: Windows vouched for the certificate of `host`:`port`.
void remember_verified(const ChatClient& client, const std::wstring& host, const std::wstring& port);

// User-interface thread: server line `number` now names another host or
// port: the fingerprint trusted for the old one no longer counts for it.
void forget_line_fingerprint(const ChatClient& client, int number);
