#include <windows.h>

#include <cryptopp/cryptlib.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "crypto/key_cache.h"
#include "crypto/message_crypto.h"
#include "password_table.h"
#include "support/test_client.h"
#include "support/window_probe.h"

TEST(KeyCache, DerivesOncePerPasswordUntilForgotten) {
    forget_derived_keys();
    EXPECT_EQ(cached_key_count(), 0u);
    const KeyMaterial a = cached_key_iv("alpha-1");
    EXPECT_EQ(cached_key_count(), 1u);
    cached_key_iv("alpha-1");
    EXPECT_EQ(cached_key_count(), 1u);
    // A prefix, a trailing zero byte and letter case are all other entries (HMAC
    // pads its key with zeros, so only the first two differ in their keys too).
    const KeyMaterial b = cached_key_iv("alpha-");
    cached_key_iv(std::string("alpha-1\0", 8));
    const KeyMaterial d = cached_key_iv("ALPHA-1");
    EXPECT_EQ(cached_key_count(), 4u);
    for (const KeyMaterial* other : {&b, &d}) EXPECT_NE(std::memcmp(a.key, other->key, KeyMaterial::key_size), 0);
    forget_derived_keys();
    EXPECT_EQ(cached_key_count(), 0u);
    const KeyMaterial again = cached_key_iv("alpha-1");
    EXPECT_EQ(std::memcmp(a.key, again.key, KeyMaterial::key_size), 0);
    EXPECT_EQ(std::memcmp(a.iv, again.iv, KeyMaterial::iv_size), 0);
}

TEST(KeyCache, StaysBoundedWithManyPasswords) {
    forget_derived_keys();
    for (int i = 0; i < 80; ++i) cached_key_iv("password-" + std::to_string(i));
    EXPECT_LE(cached_key_count(), 64u);
    EXPECT_GE(cached_key_count(), 16u);
    forget_derived_keys();
}

// The receive thread decrypts while the user interface reloads the table and
// sends: readers must only ever see the right text or no text.
TEST(KeyCache, ReloadWhileOtherThreadsDecrypt) {
    ChatClient& client = test_client();
    const std::string right = "Right-pass-1", wrong = "Wrong-pass-2";
    const std::string block = encrypt_message("under reload", right);
    ASSERT_THROW(decrypt_message(block, wrong), CryptoPP::Exception);

    std::atomic<bool> stop{false};
    std::atomic<int> found{0}, missed{0}, garbage{0}, reads{0};
    constexpr int reader_count = 3;
    std::vector<std::thread> readers;
    for (int t = 0; t < reader_count; ++t) {
        readers.emplace_back([&] {
            while (!stop) {
                auto text = decrypt_with_any_password(client, block);
                if (!text)
                    ++missed;
                else if (*text == "under reload")
                    ++found;
                else
                    ++garbage;
                ++reads;
            }
        });
    }
    for (int round = 0; round < 60; ++round) {
        const int before = reads;
        set_stored_passwords(client, {{1, round % 2 ? right : wrong}, {9, wrong}});
        EXPECT_EQ(decrypt_message(encrypt_message("ui side", right), right), "ui side");
        // At most one read per reader was under way at the reload: the one
        // after those began under the new table.
        if (!wait_until([&] { return reads > before + reader_count; }, 60000)) {
            ADD_FAILURE() << "the readers stopped";
            break;
        }
    }
    stop = true;
    for (std::thread& t : readers) t.join();
    EXPECT_EQ(garbage, 0);
    EXPECT_GT(found, 0);
    EXPECT_GT(missed, 0);
    set_stored_passwords(client, {});
}
