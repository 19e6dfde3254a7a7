#pragma once
#include <string>

// How the user logs in to a network account when connecting (SASL).
enum class SaslMethod { none, plain, scram_sha_256, external };

// What a stored server (or the last connection) brings to registration
// besides the nickname: the server password and the account login.
struct ServerAccount {
    std::wstring server_password;  // PASS; empty = none
    SaslMethod method = SaslMethod::none;
    std::wstring account;
    std::wstring password;
    // A failed or impossible login ends the connection (else it goes on
    // without the account).
    bool required = true;
    // The login may be made over a connection without TLS.
    bool allow_unencrypted = false;
    // This server is reached directly even while the preferences set a proxy.
    bool without_proxy = false;
    // EXTERNAL: the certificate in the user's store, by SHA-256 fingerprint
    // or subject name (net/client_certificate.h).
    std::wstring certificate;
};

// "none", "plain", "scram-sha-256", "external": the settings file's words.
const wchar_t* sasl_method_word(SaslMethod method);
// The method a word names; `none` for anything else.
SaslMethod sasl_method_of(const std::wstring& word);
// The mechanism's name on the wire ("PLAIN", "SCRAM-SHA-256", "EXTERNAL").
const wchar_t* sasl_mechanism_name(SaslMethod method);
