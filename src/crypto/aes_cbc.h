#pragma once
#include <cryptopp/filters.h>
#include <cryptopp/modes.h>
#include <cryptopp/rijndael.h>

#include <string>

#include "crypto/key_derivation.h"

// AES-256 in CBC mode under one derived key and IV. Each object owns its
// cipher state: build one per message or file, never share across threads.
// Feed it through a StreamTransformationFilter with PKCS #7 padding (padding()).
class CbcEncryption {
public:
    explicit CbcEncryption(const KeyMaterial& material)
        : cipher_(material.key, KeyMaterial::key_size), mode_(cipher_, material.iv) {}
    CryptoPP::StreamTransformation& mode() { return mode_; }

private:
    CryptoPP::Rijndael::Encryption cipher_;
    CryptoPP::CBC_Mode_ExternalCipher::Encryption mode_;
};

class CbcDecryption {
public:
    explicit CbcDecryption(const KeyMaterial& material)
        : cipher_(material.key, KeyMaterial::key_size), mode_(cipher_, material.iv) {}
    CryptoPP::StreamTransformation& mode() { return mode_; }

private:
    CryptoPP::Rijndael::Decryption cipher_;
    CryptoPP::CBC_Mode_ExternalCipher::Decryption mode_;
};

constexpr auto cbc_padding = CryptoPP::StreamTransformationFilter::PKCS_PADDING;

// Without the library's filters, which report a wrong password by throwing:
// with sixteen passwords tried in turn the throws cost far more than the
// decryption (crypto/padding_probe.h tells which password can fit). `cipher`
// holds `size` bytes, a positive multiple of 16.

// All blocks decrypted into `plain` (`size` bytes), padding left in place.
void cbc_decrypt_blocks(const KeyMaterial& material, const unsigned char* cipher, size_t size, unsigned char* plain);

// The library's own text for bad padding, as its filter would throw it.
const std::string& cbc_padding_error_text();

// Library errors' texts go to standard output: the only trace a failed
// decryption leaves, since a wrong password is an everyday event. A caller
// trying several passwords collects them and writes once: on an unbuffered
// stream each write costs more than a whole decryption.
class LibraryErrorLog {
public:
    ~LibraryErrorLog() { flush(); }
    void add(const CryptoPP::Exception& error) { add(std::string(error.what())); }
    void add(const std::string& text);
    void flush();

private:
    std::string text_;
};
