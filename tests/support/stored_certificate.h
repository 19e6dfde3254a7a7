// A certificate with its private key put in the user's Personal store for a
// test, as the program finds a user's own.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>

// In the Personal store under a name of this run's own (the store keeps what
// earlier runs left), its key in a container of its own; gone at the end.
struct StoredCertificate {
    std::wstring name = L"quill-client-" + std::to_wstring(GetTickCount());
    PCCERT_CONTEXT certificate = nullptr;
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"MY");
    bool add(const std::string& der, const std::string& key) {
        HCRYPTPROV provider = 0;
        HCRYPTKEY imported = 0;
        CRYPT_KEY_PROV_INFO info{name.data(),   const_cast<wchar_t*>(MS_ENHANCED_PROV_W), PROV_RSA_FULL, 0, 0, nullptr,
                                 AT_KEYEXCHANGE};
        certificate = CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                   static_cast<DWORD>(der.size()));
        const bool added =
            CryptAcquireContextW(&provider, name.c_str(), MS_ENHANCED_PROV_W, PROV_RSA_FULL, CRYPT_NEWKEYSET) &&
            CryptImportKey(provider, reinterpret_cast<const BYTE*>(key.data()), static_cast<DWORD>(key.size()), 0, 0,
                           &imported) &&
            certificate && CertSetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, 0, &info) &&
            CertAddCertificateContextToStore(store, certificate, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
        CertCloseStore(store, 0);  // written out when closed: only then do others see it
        store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"MY");
        return added;
    }
    ~StoredCertificate() {
        PCCERT_CONTEXT found =
            CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, certificate, nullptr);
        if (found) CertDeleteCertificateFromStore(found);
        CertCloseStore(store, 0);
        HCRYPTPROV ignored = 0;
        CryptAcquireContextW(&ignored, name.c_str(), MS_ENHANCED_PROV_W, PROV_RSA_FULL, CRYPT_DELETEKEYSET);
    }
};
