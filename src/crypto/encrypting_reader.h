#pragma once
#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>

#include "crypto/aes_cbc.h"

// Reads a plain file as the bytes encrypt_file would write for it, a piece at
// a time, so a sender can encrypt as it sends: no temporary file (the chosen
// file's folder may be read-only) and no wait before the first byte leaves.
class EncryptingReader {
public:
    EncryptingReader() = default;
    ~EncryptingReader();
    EncryptingReader(const EncryptingReader&) = delete;
    EncryptingReader& operator=(const EncryptingReader&) = delete;

    // Opens the plain file and notes its size; false when it cannot be opened.
    bool open(const std::wstring& plain_path);
    // Length of the whole encrypted form: 16 x (floor(n / 16) + 1).
    unsigned long long encrypted_size() const { return (plain_size_ / 16 + 1) * 16; }
    static unsigned long long encrypted_size_of(unsigned long long plain_size) { return (plain_size / 16 + 1) * 16; }

    // Sets the key; call before the first read (derivation is slow: do it on
    // the thread that sends).
    void start(const KeyMaterial& material);

    // Fills `out` with the next encrypted bytes: `capacity` of them (a
    // multiple of 16) or, at the end, what is left. 0 at the end; false when
    // the file could not be read as far as its size promised.
    bool read(unsigned char* out, size_t capacity, size_t& produced);

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    unsigned long long plain_size_ = 0, plain_read_ = 0;
    bool padded_ = false;
    std::unique_ptr<CbcEncryption> cipher_;
};
