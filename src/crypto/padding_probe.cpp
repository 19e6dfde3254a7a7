#include "crypto/padding_probe.h"

#include <cryptopp/misc.h>
#include <cryptopp/rijndael.h>

bool padding_would_fit(const KeyMaterial& material, const unsigned char* previous_block,
                       const unsigned char* last_block) {
    CryptoPP::Rijndael::Decryption cipher(material.key, KeyMaterial::key_size);
    unsigned char plain[cipher_block_size];
    cipher.ProcessAndXorBlock(last_block, previous_block, plain);
    const unsigned pad = plain[cipher_block_size - 1];
    bool fits = pad >= 1 && pad <= cipher_block_size;
    if (fits)
        for (size_t i = cipher_block_size - pad; i < cipher_block_size; ++i) fits = fits && plain[i] == pad;
    // The last block's plain text is the tail of the secret message.
    CryptoPP::SecureWipeArray(plain, cipher_block_size);
    return fits;
}

bool ciphertext_padding_would_fit(const KeyMaterial& material, const unsigned char* ciphertext, size_t length) {
    if (length == 0 || length % cipher_block_size != 0) return false;
    const unsigned char* last = ciphertext + length - cipher_block_size;
    const unsigned char* previous = length == cipher_block_size ? material.iv : last - cipher_block_size;
    return padding_would_fit(material, previous, last);
}
