#include "common/random_source.h"

#include <climits>
#include <random>

#include <gtest/gtest.h>

using namespace gerador;

namespace {

// The files must be the same on every platform, so the draws are pinned to the
// 32-bit Mersenne Twister, whatever the C library offers.
TEST(RandomSource, DrawsTheMersenneTwisterSequence) {
    randomsource::srand(0);
    EXPECT_EQ(randomsource::rand(), 2357136044u >> 17);
    EXPECT_EQ(randomsource::lrand(), static_cast<std::int32_t>(2546248239u >> 1));

    for (std::uint32_t seed : {0u, 1u, 5489u, 4294967295u}) {
        std::mt19937 reference(seed);
        randomsource::srand(seed);
        for (int draw = 0; draw < 1000; ++draw) {
            if (draw % 3 == 0) {
                ASSERT_EQ(randomsource::rand(), static_cast<int>(reference() >> 17));
            } else {
                ASSERT_EQ(randomsource::lrand(), static_cast<std::int32_t>(reference() >> 1));
            }
        }
    }
}

// The four places that draw in a range share one rule: a span of 0 draws nothing, a
// negative span counts up from min by the truncating remainder.
TEST(RandomSource, DrawInRangeTakesTheRemainderOfOneLongDraw) {
    struct TRow {
        std::int64_t min, max, expected;
        int draws;
    };
    randomsource::srand(0);
    std::int32_t first = randomsource::lrand();  // 1178568022
    ASSERT_EQ(first, 1178568022);
    const TRow rows[] = {
        {5, 5, 5, 0}, {100, 1500, 100 + 1178568022 % 1400, 1}, {1, 4, 1 + 1178568022 % 3, 1},
        {10, 0, 10 + 1178568022 % -10, 1}, {0, 1, 0, 1}, {INT32_MIN, -1, INT32_MIN + 1178568022 % INT32_MAX, 1},
    };
    for (const TRow& row : rows) {
        randomsource::srand(0);
        EXPECT_EQ(randomsource::drawInRange(row.min, row.max), row.expected) << row.min << " " << row.max;
        randomsource::srand(0);
        for (int draw = 0; draw < row.draws; ++draw) randomsource::lrand();
        std::int32_t nextAfterRow = randomsource::lrand();
        randomsource::srand(0);
        randomsource::drawInRange(row.min, row.max);
        EXPECT_EQ(randomsource::lrand(), nextAfterRow) << row.min << " " << row.max;
    }
    EXPECT_TRUE(randomsource::spanFitsDraw(INT32_MIN, -1));
    EXPECT_FALSE(randomsource::spanFitsDraw(INT32_MIN, INT32_MAX));
}

}  // namespace
