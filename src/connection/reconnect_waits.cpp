#include "connection/reconnect_waits.h"

#include <algorithm>

namespace {
constexpr double spread_share = 0.2;
}

unsigned reconnect_wait_ms(unsigned attempt, double spread, unsigned first_ms, unsigned longest_ms) {
    double nominal = first_ms;
    // Doubling stops at the longest wait, long before the number could overflow.
    for (unsigned step = 1; step < attempt && nominal < longest_ms; ++step) nominal *= 2;
    nominal = std::min<double>(nominal, longest_ms);
    spread = std::clamp(spread, 0.0, 1.0);
    const double wait = nominal * (1.0 - spread_share + 2 * spread_share * spread);
    return static_cast<unsigned>(std::min<double>(wait, longest_ms) + 0.5);
}
