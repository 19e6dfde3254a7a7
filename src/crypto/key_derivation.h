#pragma once
#include <cstddef>
#include <string>

// AES-256 key and CBC IV as derived from one password. Wiped when destroyed,
// so copies on the stack do not outlive their use.
struct KeyMaterial {
    static constexpr size_t key_size = 32;
    static constexpr size_t iv_size = 16;
    unsigned char key[key_size] = {};
    unsigned char iv[iv_size] = {};

    KeyMaterial() = default;
    KeyMaterial(const KeyMaterial&) = default;
    KeyMaterial& operator=(const KeyMaterial&) = default;
    ~KeyMaterial();
    void wipe();
};

// PBKDF2-HMAC-SHA512, empty salt, 8000 iterations, 64 bytes: key = bytes 0-31,
// IV = bytes 32-47. Deterministic on purpose: both sides derive the same key and
// IV from the shared password alone. Slow by design (tens of milliseconds);
// callers go through cached_key_iv (key_cache.h).
KeyMaterial derive_key_iv(const std::string& password);

// 256 characters: random byte b picks prefix_alphabet[b].
extern const char prefix_alphabet[257];
constexpr size_t random_prefix_length = 16;

// Sixteen characters from prefix_alphabet, from the system's secure generator.
std::string make_random_prefix();

// Overwrites the bytes of a string that held secret text.
void wipe_text(std::string& text);
