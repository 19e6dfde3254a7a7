#pragma once
#include <windows.h>
#include <wincrypt.h>

#include <string>

// The user's own certificate for a TLS connection (SASL EXTERNAL), from the
// Windows certificate store of the current user ("Personal", MY). `wanted` is
// its SHA-256 fingerprint (colons, blanks and case ignored) or its subject's
// name; only a certificate whose private key the user holds counts. Null when
// there is none; the caller frees it with CertFreeCertificateContext.
PCCERT_CONTEXT find_client_certificate(const std::wstring& wanted);
