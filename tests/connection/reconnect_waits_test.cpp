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
        {1, 0.5, 2000},   {1, 0.0, 1600},     {1, 1.0, 2400},     {2, 0.5, 4000},      {3, 0.5, 8000},
        {4, 0.0, 12800},  {8, 0.5, 256000},   {9, 0.5, 300000},   {9, 0.0, 240000},    {9, 1.0, 300000},
        {1000, 0.5, 300000}, {0xFFFFFFFFu, 0.25, 270000}, {1, -3.0, 1600}, {1, 7.0, 2400},
    };
    for (const Case& c : cases)
        EXPECT_EQ(reconnect_wait_ms(c.attempt, c.spread), c.expected_ms) << c.attempt << " at " << c.spread;
    EXPECT_EQ(reconnect_wait_ms(3, 0.5, 100, 300), 300u);  // the tests' shorter waits keep the rule

    // Drawn as the program draws them: the waits of one attempt differ.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> spread(0.0, 1.0);
    std::set<unsigned> seen;
    for (int draw = 0; draw < 50; ++draw) seen.insert(reconnect_wait_ms(2, spread(random)));
    EXPECT_GT(seen.size(), 40u);
    EXPECT_GE(*seen.begin(), 3200u);
    EXPECT_LE(*seen.rbegin(), 4800u);
}

}  // namespace
