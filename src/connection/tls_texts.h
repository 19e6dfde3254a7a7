#pragma once
// What the user reads about a TLS connection, in one place.

namespace tls_text {

constexpr const wchar_t* untrusted_caption = L"Untrusted certificate";
constexpr const wchar_t* untrusted_format =
    L"The certificate of %s could not be verified (self-signed, issued for another name or expired).\n\n"
    L"SHA-256 fingerprint:\n%s\n\n"
    L"Yes: trust this certificate for this server and connect.\n"
    L"No: disconnect (nothing has been sent to the server).";
constexpr const wchar_t* changed_format =
    L"The certificate of %s has changed since you trusted it, and the new one could not be verified.\n\n"
    L"New SHA-256 fingerprint:\n%s\n\n"
    L"Yes: trust the new certificate for this server and connect.\n"
    L"No: disconnect (nothing has been sent to the server).";

constexpr const wchar_t* encrypted_format = L"Encrypted connection (%s).";
constexpr const wchar_t* handshake_failed_format = L"Secure connection failed: %s";
constexpr const wchar_t* not_trusted = L"Certificate not trusted: disconnected.";
// A reconnect met a certificate the user has not trusted: only their Connect asks.
constexpr const wchar_t* reconnect_stopped =
    L"The server's certificate changed; reconnecting stopped. Connect again to decide.";

}  // namespace tls_text
