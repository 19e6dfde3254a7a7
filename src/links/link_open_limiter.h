#pragma once
#include <deque>
#include <functional>
#include <string>
#include <utility>

#include "links/rolling_limit.h"

// Links found in messages open a browser each: a channel full of link lines
// must not start a hundred. At most links_per_burst are opened in any
// link_burst_window_ms, and a link opened once is not opened again within
// link_repeat_window_ms. Not thread-safe: its owner holds a lock.
constexpr unsigned long long links_per_burst = 3;
constexpr unsigned long long link_burst_window_ms = 10000;
constexpr unsigned long long link_repeat_window_ms = 60000;

class LinkOpenLimiter {
public:
    using Clock = std::function<unsigned long long()>;  // milliseconds, never going back
    explicit LinkOpenLimiter(Clock clock);

    // True when the link is to be opened now (it is counted as opened);
    // false when it is refused.
    bool admit(const std::wstring& link);

private:
    Clock clock_;
    RollingLimit burst_;
    std::deque<std::pair<unsigned long long, std::wstring>> recent_;  // (opened at, link), oldest first
};
