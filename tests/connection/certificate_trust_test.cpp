// Which certificates are trusted without asking, and where a trusted
// fingerprint is kept. (The fingerprint itself is held against openssl's in
// the TLS channel test.)
#include <gtest/gtest.h>

#include "connection/certificate_trust.h"
#include "settings/settings_file.h"
#include "support/net_test_support.h"

namespace {
using namespace net_test;

constexpr const wchar_t* fingerprint = L"0A:1B:2C";

TEST(CertificateTrust, OnlyAVerifiedOrStoredCertificateGoesWithoutAsking) {
    struct Case {
        bool verifies;
        std::vector<std::wstring> stored;
        bool once_verified;
        CertificateTrust expected;
    };
    const Case cases[] = {
        {true, {}, false, CertificateTrust::trusted},
        // A renewed certificate that the system vouches for needs no question.
        {true, {L"FF:FF:FF"}, true, CertificateTrust::trusted},
        {false, {L"", L""}, false, CertificateTrust::ask},
        {false, {L"0a:1b:2c"}, false, CertificateTrust::trusted},
        // The server line's fingerprint counts beside the server's own.
        {false, {L"", L"0A:1B:2C"}, false, CertificateTrust::trusted},
        {false, {L"0A:1B:2D", L""}, false, CertificateTrust::ask_changed},
        {false, {L"0A:1B"}, false, CertificateTrust::ask_changed},
        // Windows vouched for this server before: an unverifiable one is a change.
        {false, {L""}, true, CertificateTrust::ask_changed},
    };
    for (const Case& c : cases)
        EXPECT_EQ(judge_certificate(c.verifies, {c.stored, c.once_verified}, fingerprint), c.expected)
            << c.verifies << " " << c.stored.size() << " " << c.once_verified;
}

TEST(CertificateTrust, EachServerKeepsItsOwnTrustAndNoneVouchesForAnother) {
    ChatClient& client = test_client();
    use_fresh_folder(client, L"trust");
    client.servers[5] = {L"IRC.Example.Test", L"6697"};
    write_setting(client, L"servers", L"server_fingerprint_5", L"55:55");
    const auto trusted = [&](const wchar_t* host, const wchar_t* port) {
        return judge_certificate(false, read_trust(client, host, port), L"55:55") == CertificateTrust::trusted;
    };
    EXPECT_TRUE(trusted(L"irc.example.TEST", L"6697"));
    EXPECT_FALSE(trusted(L"irc.example.test", L"7000") || trusted(L"irc.other.test", L"6697"));
    trust_fingerprint(client, L"Irc.Other.Test", L"06697", L"77:77");
    trust_fingerprint(client, L"irc.third.test", L"6697", L"33:33");
    EXPECT_EQ(read_trust(client, L"irc.other.test", L"6697").fingerprints[0], L"77:77");
    EXPECT_EQ(read_setting(client, L"trusted_certificates", L"irc.third.test:6697"), L"33:33");
    // Trusting anew for a listed server replaces the line's fingerprint.
    trust_fingerprint(client, L"irc.example.test", L"6697", L"66:66");
    EXPECT_FALSE(trusted(L"irc.example.test", L"6697"));
    remember_verified(client, L"irc.example.test", L"6697");
    EXPECT_TRUE(read_trust(client, L"IRC.example.test", L"6697").once_verified);
    EXPECT_FALSE(read_trust(client, L"irc.example.test", L"6698").once_verified);
    // A name with what an INI file reads as structure gets a key of its own.
    EXPECT_EQ(trust_key(L"a=b;[c]", L"6697"), L"a%003Db%003B%005Bc%005D:6697");
    client.servers[5] = StoredServer{};
}
}  // namespace
