#include "transfer/receiver_limits.h"

#include <windows.h>

#include <map>
#include <mutex>

namespace {

// Never destroyed: receiver threads may still use them while the process ends.
struct Shared {
    std::mutex lock;
    ReceiverLimits limits;
    unsigned long long reserved = 0;
    std::map<unsigned long, unsigned long long> reserved_by_address;  // no entry of 0
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

bool ScratchReservation::reserve(unsigned long long size, const std::wstring& folder, unsigned long address) {
    release();
    Shared& all = shared();
    std::lock_guard<std::mutex> guard(all.lock);
    const unsigned long long total = all.reserved + size;
    if (total > all.limits.scratch_bytes) return false;
    const auto own = all.reserved_by_address.find(address);
    const unsigned long long address_total = (own == all.reserved_by_address.end() ? 0 : own->second) + size;
    if (address_total > all.limits.scratch_bytes / 2) return false;
    ULARGE_INTEGER available{};
    if (GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr) && available.QuadPart / 2 < total)
        return false;
    all.reserved = total;
    if (size) all.reserved_by_address[address] = address_total;
    size_ = size;
    address_ = address;
    return true;
}

void ScratchReservation::release() {
    if (!size_) return;
    Shared& all = shared();
    std::lock_guard<std::mutex> guard(all.lock);
    all.reserved -= size_;
    const auto own = all.reserved_by_address.find(address_);
    if (own != all.reserved_by_address.end() && (own->second -= size_) == 0) all.reserved_by_address.erase(own);
    size_ = 0;
}
