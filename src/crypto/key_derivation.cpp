#include "crypto/key_derivation.h"

#include <cstring>

#include <cryptopp/misc.h>
#include <cryptopp/osrng.h>
#include <cryptopp/pwdbased.h>
#include <cryptopp/secblock.h>
#include <cryptopp/sha.h>

namespace {
constexpr unsigned derivation_iterations = 8000;
constexpr size_t derived_block_size = 64;
}  // namespace

const char prefix_alphabet[257] =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890"
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890"
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890"
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890"
    "abcdefgh";
static_assert(sizeof prefix_alphabet == 257, "one character per byte value");

KeyMaterial::~KeyMaterial() {
    wipe();
}

void KeyMaterial::wipe() {
    CryptoPP::SecureWipeArray(key, key_size);
    CryptoPP::SecureWipeArray(iv, iv_size);
}

KeyMaterial derive_key_iv(const std::string& password) {
    // SecByteBlock zeroes its memory when released, so the discarded tail
    // (bytes 48-63) never lingers either.
    CryptoPP::SecByteBlock block(derived_block_size);
    static const CryptoPP::byte no_salt[1] = {0};
    CryptoPP::PKCS5_PBKDF2_HMAC<CryptoPP::SHA512> pbkdf2;
    pbkdf2.DeriveKey(block, block.size(), 0, reinterpret_cast<const CryptoPP::byte*>(password.data()),
                     password.size(), no_salt, 0, derivation_iterations);
    KeyMaterial material;
    std::memcpy(material.key, block.data(), KeyMaterial::key_size);
    std::memcpy(material.iv, block.data() + KeyMaterial::key_size, KeyMaterial::iv_size);
    CryptoPP::SecureWipeBuffer(block.data(), block.size());
    return material;
}

std::string make_random_prefix() {
    CryptoPP::AutoSeededRandomPool pool;
    CryptoPP::byte random[random_prefix_length];
    pool.GenerateBlock(random, sizeof random);
    std::string prefix(random_prefix_length, '\0');
    for (size_t i = 0; i < random_prefix_length; ++i) prefix[i] = prefix_alphabet[random[i]];
    CryptoPP::SecureWipeArray(random, sizeof random);
    return prefix;
}

void wipe_text(std::string& text) {
    if (!text.empty()) CryptoPP::SecureWipeBuffer(reinterpret_cast<CryptoPP::byte*>(&text[0]), text.size());
}
