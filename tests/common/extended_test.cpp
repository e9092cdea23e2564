#include "common/extended.h"

#include <cfloat>
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "common/random_source.h"

using namespace gerador;

namespace {

TEST(Extended, ScaledShortDrawsGiveTheirWorkedDoubles) {
    const std::pair<int, double> rows[] = {
        {0, 0.0}, {16384, 0x1.0002000400080p-1}, {24575, 0x1.7ffefffdfffc0p-1},
        // Rounded first to 64 bits and then to 53: one ulp above the directly rounded quotient.
        {31935, 0x1.f2ffe5ffcbffap-1}, {32767, 1.0},
    };
    for (const auto& [draw, expected] : rows) {
        EXPECT_EQ((TExtended::fromInteger(draw) * randomsource::kInverseRandMax).toDouble(), expected) << draw;
    }
}

TEST(Extended, RoundsAndTruncatesLikeTheWorkedCases) {
    struct TRow {
        double value;
        std::int64_t truncated;
        std::int64_t rounded;
    };
    const TRow rows[] = {
        {2.5, 2, 2}, {3.5, 3, 4}, {-2.5, -2, -2}, {0.5, 0, 0}, {0.75, 0, 1}, {-0.75, 0, -1},
        {0x1.fffffffffffffp52, 9007199254740991, 9007199254740991}, {0x1p-70, 0, 0},
    };
    for (const TRow& row : rows) {
        TExtended value = TExtended::fromDouble(row.value);
        EXPECT_EQ(value.truncated(), row.truncated) << row.value;
        EXPECT_EQ(value.rounded(), row.rounded) << row.value;
        EXPECT_EQ(value.toDouble(), row.value);
    }
    EXPECT_FALSE(TExtended::fromDouble(0x1p63).truncated().has_value());
    EXPECT_EQ(TExtended::fromInteger(INT64_MIN + 1).truncated(), INT64_MIN + 1);
}

// Where long double is the x87 format and evaluated as written, the hardware is the reference.
TEST(Extended, AgreesWithTheX87OnMillionsOfProducts) {
    if (LDBL_MANT_DIG != 64 || FLT_EVAL_METHOD != 0) GTEST_SKIP() << "long double is not the x87 format here";
    std::mt19937_64 source(2026);
    auto uniform = [&](double low, double high) { return std::uniform_real_distribution<double>(low, high)(source); };
    int failures = 0;
    auto check = [&](TExtended a, TExtended b, long double exactA, long double exactB, const char* what) {
        volatile long double product = exactA * exactB;  // volatile: one rounding to 64 bits, no more
        TExtended modelled = a * b;
        bool same = modelled.toDouble() == static_cast<double>(product);
        if (std::fabs(product) < 0x1p62L) {
            same = same && modelled.truncated() == static_cast<std::int64_t>(product) &&
                   modelled.rounded() == std::llrint(product);
        }
        if (!same && ++failures < 10) {
            ADD_FAILURE() << what << ": " << static_cast<double>(exactA) << " × " << static_cast<double>(exactB);
        }
    };
    for (int sample = 0; sample < 1'000'000; ++sample) {
        // Instants of years 1 to 9999 and durations, to the millisecond count.
        double days = sample % 4 == 0 ? uniform(-693593.0, 2958466.0) : uniform(0.0, 40.0);
        if (sample % 8 == 1) days = std::round(days * 86400000.0 * 2.0 + 1.0) / (86400000.0 * 2.0);  // near a tie
        check(TExtended::fromDouble(days), TExtended::fromInteger(86400000), days, 86400000.0L, "milliseconds");
        // Distances times cost factors and the travel-time factor.
        auto distance = static_cast<std::uint32_t>(source());
        double factor = sample % 2 == 0 ? uniform(-4.0, 4.0) : std::ldexp(uniform(1.0, 2.0), sample % 61 - 30);
        check(TExtended::fromInteger(distance), TExtended::fromDouble(factor), distance, factor, "cost");
        // Wide integers times small ones: exact ties of the 64-bit rounding.
        auto wide = static_cast<std::int64_t>(source() >> (sample % 3));
        auto small = static_cast<std::int64_t>(sample % 13) - 6;
        check(TExtended::fromInteger(wide), TExtended::fromInteger(small), static_cast<long double>(wide),
              static_cast<long double>(small), "tie");
        // Two fractions with full significands: every partial product and its carries count
        // (a dropped middle carry once survived the integer-only rows).
        double left = std::ldexp(uniform(1.0, 2.0), sample % 41 - 20);
        double right =
            sample % 5 == 0 ? 1.0 + std::ldexp(static_cast<double>(source() >> 11), -53) : uniform(-3.0, 3.0);
        check(TExtended::fromDouble(left), TExtended::fromDouble(right), left, right, "fractions");
    }
    for (int draw = 0; draw <= 32767; ++draw) {
        check(TExtended::fromInteger(draw), randomsource::kInverseRandMax, draw, 1.0L / 32767.0L, "draw fraction");
    }
    EXPECT_EQ(failures, 0);
}

}  // namespace
