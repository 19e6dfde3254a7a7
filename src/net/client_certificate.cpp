#include "net/client_certificate.h"

#include <cwctype>

#include "net/certificate_check.h"

namespace {
// Hex digits only, upper case: "ab:cd ef" and "ABCDEF" name the same fingerprint.
std::wstring hex_only(const std::wstring& text) {
    std::wstring hex;
    for (wchar_t c : text)
        if (std::iswxdigit(c)) hex += static_cast<wchar_t>(std::towupper(c));
        else if (c != L':' && c != L' ') return {};
    return hex;
}

std::wstring subject_name(PCCERT_CONTEXT certificate) {
    wchar_t name[256] = {};
    CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, 256);
    return name;
}

bool has_private_key(PCCERT_CONTEXT certificate) {
    DWORD size = 0;
    return CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size) && size > 0;
}
}  // namespace

PCCERT_CONTEXT find_client_certificate(const std::wstring& wanted) {
    if (wanted.empty()) return nullptr;
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                     CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_READONLY_FLAG | CERT_STORE_OPEN_EXISTING_FLAG,
                                     L"MY");
    if (!store) return nullptr;
    const std::wstring fingerprint = hex_only(wanted);
    PCCERT_CONTEXT found = nullptr;
    PCCERT_CONTEXT next = nullptr;
    while (!found && (next = CertEnumCertificatesInStore(store, next)) != nullptr) {
        if (!has_private_key(next)) continue;
        const bool named = hex_only(certificate_fingerprint(next)) == fingerprint ||
                           _wcsicmp(subject_name(next).c_str(), wanted.c_str()) == 0;
        if (named) found = CertDuplicateCertificateContext(next);
    }
    if (next) CertFreeCertificateContext(next);
    CertCloseStore(store, 0);
    return found;
}
