#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "crypto/sealed/sealed_file.h"

// Reads a plain file as the sealed stream for it, a piece at a time, like
// EncryptingReader does for the compatible form.
class SealedFileReader {
public:
    SealedFileReader() = default;
    ~SealedFileReader();
    SealedFileReader(const SealedFileReader&) = delete;
    SealedFileReader& operator=(const SealedFileReader&) = delete;

    // Opens the file and describes it under `name` (UTF-8); false when it
    // cannot be opened or the name does not fit.
    bool open(const std::wstring& path, const std::string& name, const Key& key);
    unsigned long long encrypted_size() const { return sealed_file_size(plain_size_); }
    // The next sealed bytes, at most `capacity`; false when the file could
    // not be read as far as its size promised.
    bool read(unsigned char* out, size_t capacity, size_t& produced);

private:
    bool refill();
    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::unique_ptr<FileSealer> sealer_;
    unsigned long long plain_size_ = 0, plain_read_ = 0;
    bool finished_ = false;
    Bytes ready_;
    size_t taken_ = 0;
};
