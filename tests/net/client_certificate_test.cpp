// The user's certificate from the Windows store, presented by the TLS channel
// to an OpenSSL server that will not go on without one.
#include "net/client_certificate.h"

#include <gtest/gtest.h>

#include "net/certificate_check.h"
#include "net/tls_channel.h"
#include "support/file_bytes.h"
#include "support/linux_shell.h"
#include "support/loopback.h"
#include "support/stored_certificate.h"

namespace {

// The certificate ($1 its name), its key as CryptoAPI imports it, the server's.
constexpr const char* make_certificates = R"SH(
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$1" -keyout key.pem -out client.pem 2>/dev/null
openssl x509 -in client.pem -outform DER -out client.der && openssl rsa -in key.pem -outform MSBLOB -out client.blob
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost -keyout server-key.pem -out server.pem 2>/dev/null
)SH";

bool found_as_added(PCCERT_CONTEXT found, PCCERT_CONTEXT added) {
    const bool same = found && CertCompareCertificate(X509_ASN_ENCODING, found->pCertInfo, added->pCertInfo);
    if (found) CertFreeCertificateContext(found);
    return same;
}

// Whether a server that demands a certificate it trusts reads what the channel sends.
bool served(PCCERT_CONTEXT certificate, std::string& log) {
    unsigned short port = 0;
    closesocket(listen_on_loopback(1, port));
    linux_shell::run("sleep 20 | setsid openssl s_server -accept " + std::to_string(port) +
                         " -cert server.pem -key server-key.pem -CAfile client.pem -Verify 1 -verify_return_error"
                         " -naccept 1 >s_server.log 2>&1 &\n"
                         "for i in $(seq 100); do ss -ltn | grep -q \":" + std::to_string(port) + " \" && break; sleep 0.05; done\n",
                     log);
    SOCKET sock = connect_to_loopback(port);
    std::atomic<int> up{1};
    TlsChannel channel(L"localhost");
    channel.use_client_certificate(certificate);
    std::wstring ignored;
    const bool shaken = channel.handshake(sock, up, ignored, 10000) && (channel.open_for_traffic(), true) &&
                        channel.send_all(sock, "presented\n", 10, up);
    Sleep(500);
    closesocket(sock);
    log = read_file_bytes(linux_shell::scratch_folder_wide() + L"s_server.log");
    return shaken && log.find("presented") != std::string::npos;
}

TEST(ClientCertificate, FoundByNameOrFingerprintAndPresented) {
    StoredCertificate added;
    std::string log;
    ASSERT_TRUE(linux_shell::run("set -- " + std::string(added.name.begin(), added.name.end()) + make_certificates, log,
                                 60000));
    const std::wstring folder = linux_shell::scratch_folder_wide();
    ASSERT_TRUE(added.add(read_file_bytes(folder + L"client.der"), read_file_bytes(folder + L"client.blob")));
    // By its name, or by its fingerprint (which it presents); a part of that names none.
    const std::wstring fingerprint = certificate_fingerprint(added.certificate);
    EXPECT_TRUE(found_as_added(find_client_certificate(added.name), added.certificate));
    EXPECT_EQ(find_client_certificate(fingerprint.substr(3)), nullptr);
    PCCERT_CONTEXT stored = find_client_certificate(fingerprint);
    EXPECT_TRUE(served(stored, log)) << log;
    EXPECT_FALSE(served(nullptr, log)) << log;
    if (stored) CertFreeCertificateContext(stored);
}

}  // namespace
