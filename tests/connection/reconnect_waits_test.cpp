#include <gtest/gtest.h>

#include <random>
#include <set>

#include "connection/reconnect_waits.h"

namespace {

TEST(ReconnectWaits, DoubleFromTheFirstUpToTheLongestWithinTheirSpread) {
    struct Case {
        unsigned attempt;
        double spread;
        unsigned expected_ms;
    } cases[] = {
        {1, 0.5, 2000},   {1, 0.0, 1600},   {1, 1.0, 2400},  {2, 0.5, 4000},  {3, 0.5, 8000},
        {4, 0.0, 12800},  {8, 0.5, 256000}, {9, 0.5, 300000}, {9, 0.0, 240000}, {9, 1.0, 300000},
        {1000, 0.5, 300000}, {0xFFFFFFFFu, 0.25, 270000}, {1, -3.0, 1600}, {1, 7.0, 2400},
    };
    for (const Case& c : cases)
        EXPECT_EQ(reconnect_wait_ms(c.attempt, c.spread), c.expected_ms) << c.attempt << " at " << c.spread;
    // The injected waits of the tests follow the same rule.
    EXPECT_EQ(reconnect_wait_ms(3, 0.5, 100, 300), 300u);

    // Drawn as the program draws them: never beyond the bounds, and not all alike.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> spread(0.0, 1.0);
    for (unsigned attempt = 1; attempt <= 12; ++attempt) {
        std::set<unsigned> seen;
        for (int draw = 0; draw < 50; ++draw) {
            const unsigned wait = reconnect_wait_ms(attempt, spread(random));
            const double nominal = attempt < 9 ? 2000.0 * (1u << (attempt - 1)) : 300000.0;
            EXPECT_GE(wait, nominal * 0.8) << attempt;
            EXPECT_LE(wait, std::min(nominal * 1.2, 300000.0)) << attempt;
            seen.insert(wait);
        }
        EXPECT_GT(seen.size(), 10u) << attempt;
    }
}

}  // namespace
