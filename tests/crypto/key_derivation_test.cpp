#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/text.h"
#include "crypto/key_cache.h"
#include "crypto/key_derivation.h"
#include "password_table.h"

namespace {

std::string key_hex(const KeyMaterial& m) {
    return to_hex(std::string(reinterpret_cast<const char*>(m.key), KeyMaterial::key_size));
}
std::string iv_hex(const KeyMaterial& m) {
    return to_hex(std::string(reinterpret_cast<const char*>(m.iv), KeyMaterial::iv_size));
}

// Produced outside the program with
//   python3 -c "import hashlib; dk = hashlib.pbkdf2_hmac('sha512', PW, b'', 8000, 64); print(dk[:32].hex(), dk[32:48].hex())"
// and cross-checked with
//   openssl kdf -keylen 64 -kdfopt digest:SHA512 -kdfopt hexpass:HEX -kdfopt hexsalt: -kdfopt iter:8000 PBKDF2
// The passwords are given as wide text and narrowed like a chat's password
// (one byte per character): "Grüße" and U+0080 become 47 72 FC DF 65 80.
struct DerivationVector {
    const wchar_t* password;
    const char* key;
    const char* iv;
};
const DerivationVector derivation_vectors[] = {
    {L"", "18637B6D881CA64F45B53B05E5D6569E6D52E9C646C11D1BDAE02C37B5A06E5B", "5512FF3CB3D0CBA88B5A33473B364842"},
    {L"Tulip9", "9D3647CED6DCD70FA964ACEE7F97BE89C7D5E2C7742323111BC412918D9179C0",
     "893804F634DF3EABAA47F1FC13CD3DA9"},
    {L"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ!",
     "28E5D7CD114AB49F1C143C8509FEDC6B179B6FE1B575EFAB0175C86A5BAD1052", "7C37AFE3A37C30E3331085D0E74140F9"},
    {L"Gr\u00fc\u00dfe\u0080", "B85A997858F9260388D4317DE5335CFBD65678FF7DF4F42FA873162C3643834B",
     "B6664616489536F35C228D561BFEC392"},
};

}  // namespace

TEST(KeyDerivation, MatchesIndependentPbkdf2) {
    for (const DerivationVector& v : derivation_vectors) {
        std::string password;
        ASSERT_TRUE(latin1_bytes(v.password, password));
        SCOPED_TRACE(to_hex(password));
        const KeyMaterial fresh = derive_key_iv(password);
        EXPECT_EQ(key_hex(fresh), v.key);
        EXPECT_EQ(iv_hex(fresh), v.iv);
        // The cached path must hand out the very same bytes, first and second time.
        for (int round = 0; round < 2; ++round) {
            const KeyMaterial cached = cached_key_iv(password);
            EXPECT_EQ(key_hex(cached), v.key);
            EXPECT_EQ(iv_hex(cached), v.iv);
        }
    }
    std::string bytes;
    EXPECT_TRUE(latin1_bytes(derivation_vectors[3].password, bytes));
    EXPECT_EQ(bytes, "Gr\xFC\xDF" "e\x80");
    EXPECT_TRUE(latin1_bytes(derivation_vectors[2].password, bytes));
    EXPECT_EQ(bytes.size(), 63u);
}

TEST(RandomPrefix, SixteenCharactersOfTheAlphabet) {
    const std::string allowed = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890";
    std::set<char> seen;
    std::set<std::string> prefixes;
    for (int i = 0; i < 2000; ++i) {
        const std::string prefix = make_random_prefix();
        ASSERT_EQ(prefix.size(), 16u);
        for (char c : prefix) {
            ASSERT_NE(allowed.find(c), std::string::npos) << prefix;
            seen.insert(c);
        }
        prefixes.insert(prefix);
    }
    // 32000 draws reach every one of the 62 characters, and no prefix repeats.
    EXPECT_EQ(seen.size(), 62u);
    EXPECT_EQ(prefixes.size(), 2000u);
}
