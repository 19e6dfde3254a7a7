#include "links/link_open_limiter.h"

#include <algorithm>

LinkOpenLimiter::LinkOpenLimiter(Clock clock)
    : clock_(std::move(clock)), burst_(links_per_burst, link_burst_window_ms) {}

bool LinkOpenLimiter::admit(const std::wstring& link) {
    const unsigned long long now = clock_();
    while (!recent_.empty() && recent_.front().first + link_repeat_window_ms <= now) recent_.pop_front();
    // Only links that were opened are remembered, so this stays short: at
    // most links_per_burst per burst window within the repeat window.
    const bool repeated = std::any_of(recent_.begin(), recent_.end(),
                                      [&](const std::pair<unsigned long long, std::wstring>& seen) {
                                          return seen.second == link;
                                      });
    if (repeated || !burst_.take(1, now)) return false;
    recent_.emplace_back(now, link);
    return true;
}
