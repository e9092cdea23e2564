#include "common/random_source.h"

#include <random>

#include <gtest/gtest.h>

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

TEST(RandomSource, ScaledShortDrawReachesBothEnds) {
    EXPECT_EQ(static_cast<double>(32767 * randomsource::kInverseRandMax), 1.0);
    EXPECT_EQ(static_cast<double>(0 * randomsource::kInverseRandMax), 0.0);
    EXPECT_GT(static_cast<double>(16384 * randomsource::kInverseRandMax), 0.5);
}

}  // namespace
