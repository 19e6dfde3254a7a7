#include "crypto/aes_cbc.h"

#include <cryptopp/aes.h>
#include <cryptopp/misc.h>

#include <cstdio>
#include <cstring>

void cbc_decrypt_blocks(const KeyMaterial& material, const unsigned char* cipher, size_t size, unsigned char* plain) {
    CryptoPP::CBC_Mode<CryptoPP::AES>::Decryption mode(material.key, KeyMaterial::key_size, material.iv);
    mode.ProcessData(plain, cipher, size);
}

const std::string& cbc_padding_error_text() {
    // Asked of the library once, so the text stays its own in any version.
    static const std::string text = [] {
        KeyMaterial zero;
        unsigned char bad[CryptoPP::AES::BLOCKSIZE] = {};  // decrypts to a last byte of 0 under the zero key
        CryptoPP::CBC_Mode<CryptoPP::AES>::Encryption encryption(zero.key, KeyMaterial::key_size, zero.iv);
        encryption.ProcessData(bad, bad, sizeof bad);
        CbcDecryption decryption(zero);
        std::string sink;
        try {
            CryptoPP::ArraySource source(bad, sizeof bad, true,
                                         new CryptoPP::StreamTransformationFilter(
                                             decryption.mode(), new CryptoPP::StringSink(sink), cbc_padding));
        } catch (const CryptoPP::Exception& error) {
            return std::string(error.what());
        }
        return std::string("StreamTransformationFilter: invalid PKCS #7 block padding found");
    }();
    return text;
}

void LibraryErrorLog::add(const std::string& text) {
    text_ += text;
    text_ += '\n';
}

void LibraryErrorLog::flush() {
    if (text_.empty()) return;
    std::fwrite(text_.data(), 1, text_.size(), stdout);
    std::fflush(stdout);
    text_.clear();
}
