#include "transfer/receiver_limits.h"

#include <windows.h>

#include <mutex>

namespace {

// Never destroyed: receiver threads may still use them while the process ends.
struct Shared {
    std::mutex lock;
    ReceiverLimits limits;
    unsigned long long reserved = 0;
};

Shared& shared() {
    static Shared* instance = new Shared;
    return *instance;
}

}  // namespace

ReceiverLimits receiver_limits() {
    std::lock_guard<std::mutex> guard(shared().lock);
    return shared().limits;
}

void set_receiver_limits(const ReceiverLimits& limits) {
    std::lock_guard<std::mutex> guard(shared().lock);
    shared().limits = limits;
}

bool ScratchReservation::reserve(unsigned long long size, const std::wstring& folder) {
    release();
    Shared& all = shared();
    std::lock_guard<std::mutex> guard(all.lock);
    const unsigned long long total = all.reserved + size;
    if (total > all.limits.scratch_bytes) return false;
    ULARGE_INTEGER available{};
    if (GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr) && available.QuadPart / 2 < total)
        return false;
    all.reserved = total;
    size_ = size;
    return true;
}

void ScratchReservation::release() {
    if (!size_) return;
    std::lock_guard<std::mutex> guard(shared().lock);
    shared().reserved -= size_;
    size_ = 0;
}
