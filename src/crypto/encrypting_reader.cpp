#include "crypto/encrypting_reader.h"

#include <cstring>

EncryptingReader::~EncryptingReader() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

bool EncryptingReader::open(const std::wstring& plain_path) {
    file_ = CreateFileW(plain_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_, &size) || size.QuadPart < 0) return false;
    plain_size_ = static_cast<unsigned long long>(size.QuadPart);
    return true;
}

void EncryptingReader::start(const KeyMaterial& material) { cipher_ = std::make_unique<CbcEncryption>(material); }

bool EncryptingReader::read(unsigned char* out, size_t capacity, size_t& produced) {
    produced = 0;
    if (padded_) return true;
    if (!cipher_ || file_ == INVALID_HANDLE_VALUE || capacity < 16) return false;
    capacity -= capacity % 16;
    const unsigned long long left = plain_size_ - plain_read_;
    // Whole blocks while more than a buffer remains; the last piece carries
    // the padding (1 to 16 bytes, a whole block when the size is a multiple
    // of 16), which still fits because left < capacity.
    const bool last = left < capacity;
    const size_t take = last ? static_cast<size_t>(left) : capacity;
    DWORD got = 0;
    if (take && (!ReadFile(file_, out, static_cast<DWORD>(take), &got, nullptr) || got != take)) return false;
    plain_read_ += take;
    size_t length = take;
    if (last) {
        const unsigned char pad = static_cast<unsigned char>(16 - take % 16);
        std::memset(out + take, pad, pad);
        length += pad;
        padded_ = true;
    }
    cipher_->mode().ProcessData(out, out, length);
    produced = length;
    return true;
}
