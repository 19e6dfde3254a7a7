#pragma once
#include <windows.h>
#include <wincrypt.h>

#include <string>

// The SHA-256 of the certificate's encoded bytes as upper-case hex pairs
// joined by colons ("AB:CD:..."), the form people compare with what a server's
// operator publishes.
std::wstring certificate_fingerprint(PCCERT_CONTEXT certificate);

// `bytes` as upper-case hex pairs joined by colons.
std::wstring colon_hex(const unsigned char* bytes, size_t size);

// Whether the certificate chains to a root in the system store, is valid for
// a TLS server named `host` (the name the user typed), now, and neither it
// nor an intermediate certificate has been revoked. Revocation lists are
// fetched with a time limit of a few seconds: call it where that wait holds
// up nothing else. With `cache_only` nothing is fetched (the connection goes
// through a proxy, which those fetches would go around): only what the system
// already holds is used.
bool certificate_verifies(PCCERT_CONTEXT certificate, const std::wstring& host, bool cache_only = false);
