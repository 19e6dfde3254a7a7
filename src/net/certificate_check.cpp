#include "net/certificate_check.h"

#include <cryptopp/sha.h>

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

bool certificate_verifies(PCCERT_CONTEXT certificate, const std::wstring& host) {
    if (!certificate || host.empty()) return false;
    char server_auth[] = szOID_PKIX_KP_SERVER_AUTH;
    LPSTR usages[] = {server_auth};
    CERT_CHAIN_PARA chain_para{};
    chain_para.cbSize = sizeof chain_para;
    chain_para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    chain_para.RequestedUsage.Usage.cUsageIdentifier = 1;
    chain_para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    // The server's intermediate certificates came with it, in its own store.
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chain_para, 0, nullptr,
                                 &chain) ||
        !chain)
        return false;

    std::wstring name = host;
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = name.data();
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    const bool checked = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status);
    CertFreeCertificateChain(chain);
    return checked && status.dwError == 0;
}
