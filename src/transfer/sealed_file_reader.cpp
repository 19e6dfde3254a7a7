#include "transfer/sealed_file_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

SealedFileReader::~SealedFileReader() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    wipe(ready_);
}

bool SealedFileReader::open(const std::wstring& path, const std::string& name, const Key& key) {
    file_ = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    LARGE_INTEGER size{};
    if (file_ == INVALID_HANDLE_VALUE || !GetFileSizeEx(file_, &size)) return false;
    plain_size_ = static_cast<unsigned long long>(size.QuadPart);
    sealer_ = std::make_unique<FileSealer>(key);
    return sealer_->start(name, plain_size_, ready_);
}

// Seals the next chunk of the file: a full one, or the final remainder.
bool SealedFileReader::refill() {
    const size_t wanted =
        static_cast<size_t>(std::min<unsigned long long>(plain_size_ - plain_read_, sealed_file::chunk_size));
    std::vector<uint8_t> plain(wanted);
    DWORD got = 0;
    if (wanted && (!ReadFile(file_, plain.data(), static_cast<DWORD>(wanted), &got, nullptr) || got != wanted))
        return false;
    plain_read_ += wanted;
    const bool final = wanted < sealed_file::chunk_size;
    ready_.erase(ready_.begin(), ready_.begin() + static_cast<long>(taken_));
    taken_ = 0;
    sealer_->seal(plain.data(), plain.size(), final, ready_);
    wipe(plain);
    finished_ = final;
    return true;
}

bool SealedFileReader::read(unsigned char* out, size_t capacity, size_t& produced) {
    produced = 0;
    while (produced < capacity) {
        if (taken_ == ready_.size()) {
            if (finished_) break;
            if (!refill()) return false;
        }
        const size_t step = std::min(capacity - produced, ready_.size() - taken_);
        std::memcpy(out + produced, ready_.data() + taken_, step);
        taken_ += step;
        produced += step;
    }
    return true;
}
