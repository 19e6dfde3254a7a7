#pragma once
#include <deque>
#include <utility>

// At most `capacity` units (links opened, bytes written) in any period of
// `window_ms`. The caller passes the time, so that one clock serves several
// limits and tests drive time without waiting. Units taken in the same
// `grain_ms` share one entry, which bounds the memory of a busy limit.
class RollingLimit {
public:
    RollingLimit(unsigned long long capacity, unsigned long long window_ms, unsigned long long grain_ms = 1)
        : capacity_(capacity), window_ms_(window_ms), grain_ms_(grain_ms ? grain_ms : 1) {}

    // Takes `amount` at `now_ms` when it fits (true), else takes nothing.
    bool take(unsigned long long amount, unsigned long long now_ms) {
        forget_before(now_ms);
        if (amount > capacity_ - used_) return false;
        const unsigned long long slot = now_ms - now_ms % grain_ms_;
        if (!taken_.empty() && taken_.back().first == slot)
            taken_.back().second += amount;
        else
            taken_.emplace_back(slot, amount);
        used_ += amount;
        return true;
    }

    unsigned long long used(unsigned long long now_ms) {
        forget_before(now_ms);
        return used_;
    }

private:
    void forget_before(unsigned long long now_ms) {
        while (!taken_.empty() && taken_.front().first + window_ms_ <= now_ms) {
            used_ -= taken_.front().second;
            taken_.pop_front();
        }
    }

    unsigned long long capacity_, window_ms_, grain_ms_;
    unsigned long long used_ = 0;
    std::deque<std::pair<unsigned long long, unsigned long long>> taken_;  // (time, amount)
};
