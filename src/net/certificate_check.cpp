// The chain parameters' time limit for fetching revocation lists.
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS
#include "net/certificate_check.h"

#include <cryptopp/sha.h>

namespace {
// Revocation lists and OCSP answers are fetched while the handshake waits: an
// issuer's server that does not answer costs at most this, for the whole chain.
constexpr DWORD revocation_fetch_ms = 4000;
// The root vouches for itself; asking about it only costs time.
constexpr DWORD chain_flags =
    CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT | CERT_CHAIN_REVOCATION_ACCUMULATIVE_TIMEOUT;
// SECURITY_FLAG_IGNORE_REVOCATION of the SSL policy: its revocation verdict is
// replaced by the chain's own "revoked" mark below.
constexpr DWORD ignore_revocation_verdict = 0x00000080;
}  // namespace

std::wstring colon_hex(const unsigned char* bytes, size_t size) {
    constexpr const wchar_t* digits = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(size * 3);
    for (size_t i = 0; i < size; ++i) {
        if (i > 0) text += L':';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

std::wstring certificate_fingerprint(PCCERT_CONTEXT certificate) {
    if (!certificate) return {};
    unsigned char digest[CryptoPP::SHA256::DIGESTSIZE];
    CryptoPP::SHA256().CalculateDigest(digest, certificate->pbCertEncoded, certificate->cbCertEncoded);
    return colon_hex(digest, sizeof digest);
}

bool certificate_verifies(PCCERT_CONTEXT certificate, const std::wstring& host, bool cache_only) {
    if (!certificate || host.empty()) return false;
    char server_auth[] = szOID_PKIX_KP_SERVER_AUTH;
    LPSTR usages[] = {server_auth};
    CERT_CHAIN_PARA chain_para{};
    chain_para.cbSize = sizeof chain_para;
    chain_para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    chain_para.RequestedUsage.Usage.cUsageIdentifier = 1;
    chain_para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    chain_para.dwUrlRetrievalTimeout = revocation_fetch_ms;
    // The server's intermediate certificates came with it, in its own store.
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    const DWORD flags = cache_only ? chain_flags | CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL |
                                         CERT_CHAIN_REVOCATION_CHECK_CACHE_ONLY
                                   : chain_flags;
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chain_para, flags,
                                 nullptr, &chain) ||
        !chain)
        return false;

    std::wstring name = host;
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = name.data();
    ssl.fdwChecks = ignore_revocation_verdict;
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    // No answer about revocation (offline, no list published) is not a
    // revocation: refusing would lock users out whenever an issuer's server is
    // down. Every other fault still counts, the name first among them.
    policy.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    const bool checked = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status);
    const DWORD chain_errors = chain->TrustStatus.dwErrorStatus;
    CertFreeCertificateChain(chain);
    return checked && status.dwError == 0 && !(chain_errors & CERT_TRUST_IS_REVOKED);
}
