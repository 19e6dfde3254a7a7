#include <gtest/gtest.h>

#include <string>

#include "settings/account_settings.h"
#include "settings/protected_secret.h"
#include "settings/settings_file.h"
#include "settings_folder.h"

namespace {

std::wstring stored(const ChatClient& client, const wchar_t* key) {
    return read_setting(client, L"servers", key);
}

TEST(ProtectedSecrets, OpenWhatWasSealedAndRefuseWhatWasNot) {
    const std::wstring sealed = protect_secret(L"pässword 1");
    ASSERT_EQ(sealed.rfind(L"protected:", 0), 0u);
    EXPECT_EQ(sealed.find(L"word"), std::wstring::npos);
    std::wstring secret;
    EXPECT_EQ(open_secret(sealed, secret), SecretState::protected_);
    EXPECT_EQ(secret, L"pässword 1");

    std::wstring tampered = sealed;
    tampered[tampered.size() - 6] = tampered[tampered.size() - 6] == L'A' ? L'B' : L'A';
    const struct {
        std::wstring value;
        SecretState state;
        const wchar_t* secret;
    } cases[] = {
        {L"typed by hand", SecretState::plain, L"typed by hand"},
        {L"", SecretState::plain, L""},
        {tampered, SecretState::unreadable, L""},
        {L"protected:", SecretState::unreadable, L""},
        {L"protected:not base64!", SecretState::unreadable, L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(open_secret(c.value, secret), c.state) << c.value.size();
        EXPECT_EQ(secret, c.secret);
    }
}

TEST(AccountSettings, HandWrittenPasswordsAreUsedAndStoredProtected) {
    SettingsFolder settings;
    ChatClient& client = settings.client;
    settings.write_ini(
        "[servers]\r\nserver_sasl_method_3=scram-sha-256\r\nserver_sasl_account_3=alice\r\n"
        "server_sasl_password_3=hand written\r\nserver_password_3=alice/net:bnc\r\nserver_sasl_required_3=false\r\n"
        "server_sasl_method_default=bogus\r\nserver_sasl_password_default=protected:AAAA\r\n");
    const StoredAccount third = read_server_account(client, 3);
    EXPECT_EQ(third.account.method, SaslMethod::scram_sha_256);
    EXPECT_EQ(third.account.account, L"alice");
    EXPECT_EQ(third.account.password, L"hand written");
    EXPECT_EQ(third.account.server_password, L"alice/net:bnc");
    EXPECT_FALSE(third.account.required);
    EXPECT_FALSE(third.account.allow_unencrypted);
    EXPECT_FALSE(third.password_unreadable);
    for (const wchar_t* key : {L"server_sasl_password_3", L"server_password_3"})
        EXPECT_EQ(stored(client, key).rfind(L"protected:", 0), 0u);
    EXPECT_EQ(read_server_account(client, 3).account.password, L"hand written");

    const StoredAccount last = read_server_account(client, 0);
    EXPECT_EQ(last.account.method, SaslMethod::none);
    EXPECT_TRUE(last.account.required);
    EXPECT_TRUE(last.password_unreadable);

    ServerAccount account;
    account.method = SaslMethod::plain;
    account.account = L"bob";
    account.password = L"pw";
    account.allow_unencrypted = true;
    write_server_account(client, 0, account);
    EXPECT_EQ(stored(client, L"server_sasl_method_default"), L"plain");
    EXPECT_EQ(stored(client, L"server_sasl_unencrypted_default"), L"true");
    EXPECT_NE(stored(client, L"server_sasl_password_default"), L"pw");
    const StoredAccount back = read_server_account(client, 0);
    EXPECT_EQ(back.account.password, L"pw");
    EXPECT_FALSE(back.password_unreadable);

    // No login anywhere: a file without these keys stays without them.
    write_server_account(client, 5, ServerAccount{});
    EXPECT_EQ(stored(client, L"server_sasl_method_5"), L"");
}

}  // namespace
