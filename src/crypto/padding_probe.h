#pragma once
#include <cstddef>

#include "crypto/key_derivation.h"

// CBC with PKCS #7 padding: whether a ciphertext would decrypt without a
// padding error under a key depends only on its last block and the 16 bytes
// before it (the IV for a one-block text). A receiver holding several
// passwords tests each on those 32 bytes instead of decrypting the whole text
// once per password. Never throws.

constexpr size_t cipher_block_size = 16;

// True when decrypting `last_block` under `material`'s key, XOR-ed with
// `previous_block` (the block before it, or the IV), ends in valid PKCS #7
// padding: n in 1..16 followed by n - 1 more bytes of value n.
bool padding_would_fit(const KeyMaterial& material, const unsigned char* previous_block,
                       const unsigned char* last_block);

// The same for a whole ciphertext held in memory: false for a length that is
// zero or not a multiple of the block size (decryption would refuse it too).
bool ciphertext_padding_would_fit(const KeyMaterial& material, const unsigned char* ciphertext, size_t length);
