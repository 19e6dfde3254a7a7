#include "crypto/key_cache.h"

#include <cryptopp/misc.h>
#include <cryptopp/secblock.h>

#include <mutex>
#include <vector>

namespace {

// Sixteen stored passwords plus the odd chat password typed elsewhere fit
// easily; past this the least recently used entry makes room.
constexpr size_t cache_capacity = 64;

struct CacheEntry {
    CryptoPP::SecByteBlock password;  // zeroed when released
    KeyMaterial material;
    unsigned long long last_use = 0;
};

class KeyCache {
public:
    KeyCache() { entries_.reserve(cache_capacity); }

    bool find(const std::string& password, KeyMaterial& out) {
        std::lock_guard<std::mutex> guard(lock_);
        for (CacheEntry& entry : entries_) {
            if (matches(entry, password)) {
                entry.last_use = ++clock_;
                out = entry.material;
                return true;
            }
        }
        return false;
    }

    unsigned long long generation() {
        std::lock_guard<std::mutex> guard(lock_);
        return generation_;
    }

    // A derivation that started before forget() is not stored: it may belong
    // to a password that has just been removed.
    void store(const std::string& password, const KeyMaterial& material, unsigned long long started_in) {
        std::lock_guard<std::mutex> guard(lock_);
        if (started_in != generation_) return;
        for (const CacheEntry& entry : entries_)
            if (matches(entry, password)) return;  // another thread was faster
        if (entries_.size() >= cache_capacity) evict_oldest();
        entries_.emplace_back();
        CacheEntry& entry = entries_.back();
        entry.password.Assign(reinterpret_cast<const CryptoPP::byte*>(password.data()), password.size());
        entry.material = material;
        entry.last_use = ++clock_;
    }

    void forget() {
        std::lock_guard<std::mutex> guard(lock_);
        for (CacheEntry& entry : entries_) entry.material.wipe();
        entries_.clear();
        ++generation_;
    }

    size_t size() {
        std::lock_guard<std::mutex> guard(lock_);
        return entries_.size();
    }

private:
    static bool matches(const CacheEntry& entry, const std::string& password) {
        return entry.password.size() == password.size() &&
               (password.empty() ||
                CryptoPP::VerifyBufsEqual(entry.password.data(),
                                          reinterpret_cast<const CryptoPP::byte*>(password.data()), password.size()));
    }

    void evict_oldest() {
        size_t oldest = 0;
        for (size_t i = 1; i < entries_.size(); ++i)
            if (entries_[i].last_use < entries_[oldest].last_use) oldest = i;
        entries_[oldest].material.wipe();
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(oldest));
    }

    std::mutex lock_;
    std::vector<CacheEntry> entries_;
    unsigned long long clock_ = 0;
    unsigned long long generation_ = 0;
};

// Never destroyed: a receive or transfer thread may still decrypt while the
// process runs its exit handlers.
KeyCache& cache() {
    static KeyCache* instance = new KeyCache;
    return *instance;
}

// Program end: nothing derived survives in memory.
struct WipeAtExit {
    ~WipeAtExit() { cache().forget(); }
} wipe_at_exit;

}  // namespace

KeyMaterial cached_key_iv(const std::string& password) {
    KeyMaterial material;
    if (cache().find(password, material)) return material;
    const unsigned long long generation = cache().generation();
    material = derive_key_iv(password);
    cache().store(password, material, generation);
    return material;
}

void forget_derived_keys() {
    cache().forget();
}

size_t cached_key_count() {
    return cache().size();
}
