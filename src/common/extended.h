#pragma once

#include <cstdint>
#include <optional>

namespace gerador {

// A value of the x87 80-bit extended format (64-bit significand), modelled exactly in
// integers: the products the generators take "in extended precision" then give the same
// bits on every platform, whatever long double is there and however the compiler
// evaluates floating point.
class TExtended {
public:
    // Exact: every double and every 64-bit integer is an extended value.
    static TExtended fromDouble(double value);
    static TExtended fromInteger(std::int64_t value);
    // significand × 2^exponent, exact; for constants such as the extended 1/32767.
    static constexpr TExtended fromParts(std::uint64_t significand, std::int32_t exponent) {
        return TExtended(false, significand, exponent);
    }

    // The exact product rounded to 64 significant bits, ties to even, as the x87 multiplies.
    TExtended operator*(const TExtended& other) const;

    // Rounded to the nearest double, ties to even. Requires: within the double range.
    double toDouble() const;
    // Truncated toward zero; empty when the magnitude reaches 2^63.
    std::optional<std::int64_t> truncated() const;
    // Rounded to the nearest integer, ties to even; empty when the magnitude reaches 2^63.
    std::optional<std::int64_t> rounded() const;

private:
    constexpr TExtended(bool negative, std::uint64_t significand, std::int32_t exponent)
        : negative_(negative), significand_(significand), exponent_(exponent) {}
    struct TWide;  // a 128-bit magnitude, portable to targets without __int128
    static TExtended normalized(bool negative, TWide magnitude, std::int32_t exponent);
    std::optional<std::int64_t> toInteger(bool roundToNearest) const;

    bool negative_;
    std::uint64_t significand_;  // top bit set, or 0 for zero
    std::int32_t exponent_;      // value = significand × 2^exponent
};

}  // namespace gerador
