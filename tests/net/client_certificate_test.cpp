// The user's certificate from the Windows store, presented by the TLS channel
// to an OpenSSL server that will not go on without one.
#include <gtest/gtest.h>

#include <string>

#include "net/certificate_check.h"
#include "net/client_certificate.h"
#include "net/tls_channel.h"
#include "support/file_bytes.h"
#include "support/linux_shell.h"
#include "support/loopback.h"
#include "support/net_test_support.h"

namespace {

// A client certificate and its key (its name given), the key in the form
// CryptoAPI imports, and the server's own certificate.
constexpr const char* make_certificates = R"SH(
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$1" -keyout client-key.pem -out client.pem 2>/dev/null
openssl x509 -in client.pem -outform DER -out client.der && openssl rsa -in client-key.pem -outform MSBLOB -out client.blob || exit 1
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost -keyout server-key.pem -out server.pem 2>/dev/null
)SH";

// The certificate in the user's Personal store, its key in a container of
// its own (a container left by an earlier run must not be taken for it).
struct StoredCertificate {
    std::wstring container = L"quill-client-" + std::to_wstring(GetTickCount());
    bool add(const std::string& der, const std::string& key_blob) {
        HCRYPTPROV provider = 0;
        HCRYPTKEY key = 0;
        if (!CryptAcquireContextW(&provider, container.c_str(), MS_ENHANCED_PROV_W, PROV_RSA_FULL, CRYPT_NEWKEYSET) ||
            !CryptImportKey(provider, reinterpret_cast<const BYTE*>(key_blob.data()), static_cast<DWORD>(key_blob.size()),
                            0, 0, &key))
            return false;
        CryptDestroyKey(key);
        CryptReleaseContext(provider, 0);
        CRYPT_KEY_PROV_INFO info{container.data(), const_cast<wchar_t*>(MS_ENHANCED_PROV_W), PROV_RSA_FULL, 0, 0,
                                 nullptr, AT_KEYEXCHANGE};
        certificate = CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                   static_cast<DWORD>(der.size()));
        // The store is written out when it is closed.
        HCERTSTORE personal = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"MY");
        const bool added = certificate && personal &&
                           CertSetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, 0, &info) &&
                           CertAddCertificateContextToStore(personal, certificate, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
        if (personal) CertCloseStore(personal, 0);
        return added;
    }
    ~StoredCertificate() {
        HCERTSTORE personal = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"MY");
        PCCERT_CONTEXT stored = personal && certificate ? CertFindCertificateInStore(personal, X509_ASN_ENCODING, 0,
                                                                                     CERT_FIND_EXISTING, certificate, nullptr)
                                                        : nullptr;
        if (stored) CertDeleteCertificateFromStore(stored);
        if (personal) CertCloseStore(personal, 0);
        if (certificate) CertFreeCertificateContext(certificate);
        HCRYPTPROV ignored = 0;
        CryptAcquireContextW(&ignored, container.c_str(), MS_ENHANCED_PROV_W, PROV_RSA_FULL, CRYPT_DELETEKEYSET);
    }
    PCCERT_CONTEXT certificate = nullptr;
};

// Whether the server that demands a certificate completes a handshake with
// the channel, and then reads what the channel sent.
bool served(PCCERT_CONTEXT certificate, std::string& log) {
    unsigned short port = 0;
    closesocket(listen_on_loopback(1, port));
    std::string error;
    linux_shell::run("sleep 20 | setsid openssl s_server -accept " + std::to_string(port) +
                         " -cert server.pem -key server-key.pem -CAfile client.pem -Verify 1 -verify_return_error -naccept 1 "
                         ">s_server.log 2>&1 &\nsleep 1\n",
                     error);
    SOCKET sock = connect_to_loopback(port);
    std::atomic<int> up{1};
    TlsChannel channel(L"localhost");
    channel.use_client_certificate(certificate);
    std::wstring ignored;
    bool shaken = channel.handshake(sock, up, ignored, 10000);
    if (shaken) {
        channel.open_for_traffic();
        shaken = channel.send_all(sock, "presented\n", 10, up);
    }
    Sleep(500);
    closesocket(sock);
    log = read_file_bytes(linux_shell::scratch_folder_wide() + L"s_server.log");
    return shaken && log.find("presented") != std::string::npos;
}

TEST(ClientCertificate, TheStoresCertificateIsFoundByNameOrFingerprintAndPresented) {
    std::string error;
    // A name of this run's own: the store keeps what earlier runs left.
    StoredCertificate added;
    const std::string name(added.container.begin(), added.container.end());
    ASSERT_TRUE(linux_shell::run("set -- " + name + std::string(make_certificates), error, 60000)) << error;
    const std::wstring folder = linux_shell::scratch_folder_wide();
    ASSERT_TRUE(added.add(read_file_bytes(folder + L"client.der"), read_file_bytes(folder + L"client.blob")));
    std::wstring upper = added.container;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    PCCERT_CONTEXT by_name = find_client_certificate(upper);
    ASSERT_NE(by_name, nullptr);
    std::wstring fingerprint = certificate_fingerprint(by_name);
    EXPECT_EQ(fingerprint, certificate_fingerprint(added.certificate));
    for (wchar_t& c : fingerprint) c = c == L':' ? L' ' : static_cast<wchar_t>(towlower(c));
    PCCERT_CONTEXT by_fingerprint = find_client_certificate(fingerprint);
    EXPECT_NE(by_fingerprint, nullptr);
    EXPECT_EQ(find_client_certificate(L"nobody"), nullptr);
    EXPECT_EQ(find_client_certificate(fingerprint.substr(2)), nullptr);

    std::string log;
    EXPECT_TRUE(served(by_name, log)) << log;
    EXPECT_FALSE(served(nullptr, log)) << log;
    CertFreeCertificateContext(by_name);
    if (by_fingerprint) CertFreeCertificateContext(by_fingerprint);
}

}  // namespace
