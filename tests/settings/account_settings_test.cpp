#include <gtest/gtest.h>

#include <string>

#include "settings/account_settings.h"
#include "settings/protected_secret.h"
#include "settings/settings_file.h"
#include "settings_folder.h"

namespace {

TEST(AccountSettings, PasswordsAreSealedAndHandWrittenOnesSealedWhenRead) {
    const std::wstring sealed = protect_secret(L"pässword 1");
    std::wstring tampered = sealed, secret;
    tampered[tampered.size() - 6] = tampered[tampered.size() - 6] == L'A' ? L'B' : L'A';
    const std::pair<std::wstring, SecretState> cases[] = {
        {sealed, SecretState::protected_}, {L"typed by hand", SecretState::plain}, {tampered, SecretState::unreadable},
        {L"protected:not base64!", SecretState::unreadable},
    };
    for (const auto& c : cases) EXPECT_EQ(open_secret(c.first, secret), c.second) << c.first.size();
    ASSERT_EQ(open_secret(sealed, secret), SecretState::protected_);
    EXPECT_EQ(secret, L"pässword 1");
    EXPECT_EQ(sealed.find(L"word"), std::wstring::npos);

    SettingsFolder settings;
    ChatClient& client = settings.client;
    settings.write_ini(
        "[servers]\r\nserver_sasl_method_3=scram-sha-256\r\nserver_sasl_account_3=alice\r\n"
        "server_sasl_password_3=hand written\r\nserver_password_3=alice/net:bnc\r\nserver_sasl_required_3=false\r\n"
        "server_sasl_method_default=bogus\r\nserver_sasl_password_default=protected:AAAA\r\n");
    for (int read = 0; read < 2; ++read) {
        const StoredAccount third = read_server_account(client, 3);
        EXPECT_EQ(third.account.method, SaslMethod::scram_sha_256);
        EXPECT_EQ(third.account.password, L"hand written");
        EXPECT_EQ(third.account.server_password, L"alice/net:bnc");
        EXPECT_FALSE(third.account.required || third.account.allow_unencrypted || third.password_unreadable);
        EXPECT_EQ(read_setting(client, L"servers", L"server_sasl_password_3").rfind(L"protected:", 0), 0u);
    }
    const StoredAccount last = read_server_account(client, 0);
    EXPECT_EQ(last.account.method, SaslMethod::none);
    EXPECT_TRUE(last.account.required && last.password_unreadable);
    // No login anywhere: a file without these keys stays without them.
    write_server_account(client, 5, ServerAccount{});
    EXPECT_EQ(read_setting(client, L"servers", L"server_sasl_method_5"), L"");
}

}  // namespace
