#include <cryptopp/hex.h>
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "crypto/aes_cbc.h"
#include "crypto/key_cache.h"
#include "crypto/message_crypto.h"
#include "password_table.h"
#include "support/test_client.h"

namespace {

// The plain way: the library's hex decoder and padding filter, which throw
// on a password that does not fit. The outcome is the text, or "!" and the
// error's words.
std::string library_outcome(const std::string& block, const std::string& password) {
    try {
        const KeyMaterial material = cached_key_iv(password);
        CbcDecryption decryption(material);
        std::string plain;
        CryptoPP::StringSource source(
            block, true,
            new CryptoPP::HexDecoder(new CryptoPP::StreamTransformationFilter(
                decryption.mode(), new CryptoPP::StringSink(plain), cbc_padding)));
        if (plain.size() < 16) return "!short";
        return plain.substr(16);
    } catch (const CryptoPP::Exception& error) {
        return std::string("!") + error.what();
    }
}

std::string program_outcome(const std::string& block, const std::string& password) {
    try {
        return decrypt_message(block, password);
    } catch (const CryptoPP::Exception& error) {
        const std::string what = error.what();
        return what.find("random prefix") != std::string::npos ? "!short" : "!" + what;
    }
}

// Random blocks of every shape, some with stray characters and odd digits:
// about one in 256 happens to have valid padding under a password, and a
// one-block one is then too short. Every outcome, error words included, must
// be the library's.
TEST(WrongPasswords, FoundWithoutTheLibraryButInItsWords) {
    const std::string passwords[] = {"Tulip9", "Seventh-pass", "x"};
    std::mt19937 random(11);
    int fitted = 0;
    for (int i = 0; i < 4000; ++i) {
        std::string block;
        const int digits = 32 * (1 + random() % 4) + (i % 50 == 0 ? 1 + random() % 31 : 0);
        for (int d = 0; d < digits; ++d) {
            block += "0123456789ABCDEFabcdef"[random() % 22];
            if (i % 7 == 0 && random() % 40 == 0) block += " -z"[random() % 3];
        }
        for (const std::string& password : passwords) {
            const std::string expected = library_outcome(block, password);
            fitted += expected[0] != '!' || expected == "!short";
            ASSERT_EQ(program_outcome(block, password), expected) << block << " / " << password;
        }
    }
    EXPECT_GT(fitted, 10);  // the valid-padding branch was reached
}

// A real message under one password whose last block happens to carry valid
// padding under another as well: the earlier slot wins, garbage or not, as
// it always has.
TEST(WrongPasswords, ValidPaddingUnderTwoPasswordsTheFirstSlotWins) {
    const std::string right = "Seventh-pass", lucky = "Tulip9";
    std::string block;
    for (int tries = 0; tries < 20000; ++tries) {
        block = encrypt_message("a text long enough for three blocks of cipher", right);
        const std::string under_lucky = library_outcome(block, lucky);
        if (under_lucky[0] != '!') break;
        block.clear();
    }
    ASSERT_FALSE(block.empty());
    ChatClient& client = test_client();
    set_stored_passwords(client, {{2, lucky}, {5, right}});
    EXPECT_EQ(decrypt_with_any_password(client, block).value_or("<none>"), library_outcome(block, lucky));
    set_stored_passwords(client, {{2, right}, {5, lucky}});
    EXPECT_EQ(decrypt_with_any_password(client, block).value_or("<none>"),
              "a text long enough for three blocks of cipher");
    set_stored_passwords(client, {});
}

}  // namespace
