#include <cryptopp/cryptlib.h>
#include <gtest/gtest.h>

#include <string>

#include "crypto/aes_cbc.h"
#include "crypto/key_cache.h"
#include "crypto/padding_probe.h"

namespace {

std::string encrypt_bytes(const std::string& password, const std::string& plain) {
    CbcEncryption encryption(cached_key_iv(password));
    std::string out;
    CryptoPP::StringSource(plain, true,
                           new CryptoPP::StreamTransformationFilter(encryption.mode(), new CryptoPP::StringSink(out),
                                                                    cbc_padding));
    return out;
}

bool full_decryption_succeeds(const std::string& password, const std::string& cipher) {
    CbcDecryption decryption(cached_key_iv(password));
    std::string out;
    try {
        CryptoPP::StringSource(cipher, true,
                               new CryptoPP::StreamTransformationFilter(decryption.mode(),
                                                                        new CryptoPP::StringSink(out), cbc_padding));
        return true;
    } catch (const CryptoPP::Exception&) {
        return false;
    }
}

bool probe(const std::string& password, const std::string& cipher) {
    return ciphertext_padding_would_fit(cached_key_iv(password),
                                        reinterpret_cast<const unsigned char*>(cipher.data()), cipher.size());
}

}  // namespace

// The probe must agree with a full decryption for every password, right or
// wrong, whatever the length (one block uses the IV as the block before).
TEST(PaddingProbe, AgreesWithFullDecryption) {
    std::string ciphers[4];
    const size_t plain_sizes[4] = {0, 15, 16, 40};
    for (int c = 0; c < 4; ++c) {
        ciphers[c] = encrypt_bytes("Right-pass", std::string(plain_sizes[c], 'p'));
        EXPECT_TRUE(probe("Right-pass", ciphers[c])) << plain_sizes[c];
    }
    int fitting_wrong_passwords = 0;
    for (int i = 0; i < 250; ++i) {
        const std::string password = "wrong-" + std::to_string(i);
        for (int c = 0; c < 4; ++c) {
            const bool fits = probe(password, ciphers[c]);
            EXPECT_EQ(fits, full_decryption_succeeds(password, ciphers[c])) << password << " " << plain_sizes[c];
            fitting_wrong_passwords += fits;
        }
    }
    // About one wrong key in 256 gives valid padding: the probe is exercised both ways.
    EXPECT_GT(fitting_wrong_passwords, 0);
    forget_derived_keys();
}

TEST(PaddingProbe, LengthsThatCanNeverDecrypt) {
    const KeyMaterial material = cached_key_iv("Right-pass");
    const unsigned char bytes[40] = {};
    for (size_t length : {0u, 1u, 15u, 17u, 33u}) EXPECT_FALSE(ciphertext_padding_would_fit(material, bytes, length));
    forget_derived_keys();
}
