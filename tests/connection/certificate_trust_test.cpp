// Which certificates are trusted without asking, and which key holds a
// trusted fingerprint. (The fingerprint itself is held against openssl's in
// the TLS channel test.)
#include <gtest/gtest.h>

#include "connection/certificate_trust.h"
#include "support/net_test_support.h"

namespace {
using namespace net_test;

constexpr const wchar_t* fingerprint = L"0A:1B:2C";

TEST(CertificateTrust, OnlyAVerifiedOrStoredCertificateGoesWithoutAsking) {
    struct Case {
        bool verifies;
        const wchar_t* stored;
        CertificateTrust expected;
    };
    const Case cases[] = {
        {true, L"", CertificateTrust::trusted},
        // A renewed certificate that the system vouches for needs no question.
        {true, L"FF:FF:FF", CertificateTrust::trusted},
        {false, L"", CertificateTrust::ask},
        {false, L"0A:1B:2C", CertificateTrust::trusted},
        {false, L"0a:1b:2c", CertificateTrust::trusted},
        {false, L"0A:1B:2D", CertificateTrust::ask_changed},
        {false, L"0A:1B", CertificateTrust::ask_changed},
    };
    for (const Case& c : cases)
        EXPECT_EQ(judge_certificate(c.verifies, c.stored, fingerprint), c.expected)
            << c.verifies << " " << narrow_text(c.stored, CP_ACP);
}

TEST(CertificateTrust, AStoredServerOfTheSameNameAndPortKeepsItsOwnFingerprint) {
    ChatClient& client = test_client();
    use_fresh_folder(client, L"trust");
    auto store = [&](int number, const wchar_t* name, const wchar_t* port) {
        wcscpy(client.servers[number].name, name);
        wcscpy(client.servers[number].port, port);
    };
    store(2, L"irc.example.test", L"6667");
    store(5, L"IRC.Example.Test", L"6697");
    EXPECT_EQ(fingerprint_key(client, L"irc.example.TEST", L"6697"), L"server_fingerprint_5");
    EXPECT_EQ(fingerprint_key(client, L"irc.example.test", L"6667"), L"server_fingerprint_2");
    EXPECT_EQ(fingerprint_key(client, L"irc.example.test", L"7000"), L"server_fingerprint_default");
    EXPECT_EQ(fingerprint_key(client, L"irc.other.test", L"6697"), L"server_fingerprint_default");
    store(2, L"", L"");
    store(5, L"", L"");
}
}  // namespace
