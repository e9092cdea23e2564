#include "common/extended.h"

#include <bit>
#include <cassert>
#include <cmath>

namespace gerador {

struct TExtended::TWide {
    std::uint64_t high = 0;
    std::uint64_t low = 0;

    static TWide product(std::uint64_t a, std::uint64_t b) {
        // Four 32-bit partial products: i686 has no 128-bit integer type.
        std::uint64_t aLow = a & 0xffffffffu, aHigh = a >> 32, bLow = b & 0xffffffffu, bHigh = b >> 32;
        std::uint64_t lowLow = aLow * bLow, lowHigh = aLow * bHigh, highLow = aHigh * bLow, highHigh = aHigh * bHigh;
        std::uint64_t middle = (lowLow >> 32) + (lowHigh & 0xffffffffu) + (highLow & 0xffffffffu);
        return {highHigh + (lowHigh >> 32) + (highLow >> 32) + (middle >> 32), (middle << 32) | (lowLow & 0xffffffffu)};
    }
    bool isZero() const { return high == 0 && low == 0; }
    // Position of the highest set bit. Requires: not zero.
    int highestBit() const {
        return high != 0 ? 127 - std::countl_zero(high) : 63 - std::countl_zero(low);
    }
    bool bit(int position) const {
        return ((position >= 64 ? high >> (position - 64) : low >> position) & 1) != 0;
    }
    // Whether any bit below position is set. Requires: 0 <= position <= 128.
    bool anyBelow(int position) const {
        if (position >= 64) return low != 0 || (position > 64 && (high << (128 - position)) != 0);
        return position > 0 && (low << (64 - position)) != 0;
    }
    // Requires: 0 <= count < 128.
    TWide shiftedRight(int count) const {
        if (count == 0) return *this;
        if (count >= 64) return {0, high >> (count - 64)};
        return {high >> count, (low >> count) | (high << (64 - count))};
    }
    // Drops the low `dropped` bits, rounding half to even. Requires: 0 <= dropped < 128,
    // and the result below 2^64 before rounding.
    std::uint64_t roundedShift(int dropped) const {
        std::uint64_t kept = shiftedRight(dropped).low;
        if (dropped == 0 || !bit(dropped - 1)) return kept;
        return anyBelow(dropped - 1) || (kept & 1) != 0 ? kept + 1 : kept;
    }
};

namespace {

constexpr std::uint64_t kTopBit = std::uint64_t{1} << 63;

}  // namespace

TExtended TExtended::normalized(bool negative, TWide magnitude, std::int32_t exponent) {
    if (magnitude.isZero()) return TExtended(negative, 0, 0);
    int top = magnitude.highestBit();
    if (top <= 63) return TExtended(negative, magnitude.low << (63 - top), exponent - (63 - top));
    int dropped = top - 63;
    std::uint64_t kept = magnitude.roundedShift(dropped);
    if (kept == 0) {  // rounding carried past the top bit: 2^64
        kept = kTopBit;
        ++dropped;
    }
    return TExtended(negative, kept, exponent + dropped);
}

TExtended TExtended::fromDouble(double value) {
    assert(std::isfinite(value));
    auto bits = std::bit_cast<std::uint64_t>(value);
    bool negative = (bits >> 63) != 0;
    auto biasedExponent = static_cast<std::int32_t>((bits >> 52) & 0x7ff);
    std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    if (biasedExponent == 0) return normalized(negative, {0, fraction}, -1074);  // zero or subnormal
    return normalized(negative, {0, fraction | (std::uint64_t{1} << 52)}, biasedExponent - 1075);
}

TExtended TExtended::fromInteger(std::int64_t value) {
    // Through unsigned, so that the magnitude of INT64_MIN is taken without overflow.
    std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    return normalized(value < 0, {0, magnitude}, 0);
}

TExtended TExtended::operator*(const TExtended& other) const {
    return normalized(negative_ != other.negative_, TWide::product(significand_, other.significand_),
                      exponent_ + other.exponent_);
}

double TExtended::toDouble() const {
    if (significand_ == 0) return negative_ ? -0.0 : 0.0;
    // 53 bits for a normal double; fewer below 2^-1022, where the double turns subnormal.
    std::int32_t leadingExponent = exponent_ + 63;
    int keptBits = 53 - (leadingExponent < -1022 ? -1022 - leadingExponent : 0);
    int dropped = 64 - keptBits;
    double magnitude = 0.0;
    if (dropped < 64) {
        std::uint64_t kept = TWide{0, significand_}.roundedShift(dropped);
        // Exact: kept has at most 54 bits and the scaled value is a representable double.
        magnitude = std::ldexp(static_cast<double>(kept), exponent_ + dropped);
    } else if (dropped == 64 && significand_ > kTopBit) {
        magnitude = std::ldexp(1.0, exponent_ + 64);  // above half the smallest subnormal
    }
    return negative_ ? -magnitude : magnitude;
}

std::optional<std::int64_t> TExtended::toInteger(bool roundToNearest) const {
    if (significand_ == 0) return 0;
    if (exponent_ >= 0) return std::nullopt;  // at least 2^63
    int dropped = -exponent_;
    std::uint64_t magnitude = 0;
    if (dropped < 64) {
        magnitude = roundToNearest ? TWide{0, significand_}.roundedShift(dropped) : significand_ >> dropped;
    } else if (dropped == 64 && roundToNearest) {
        magnitude = significand_ > kTopBit ? 1 : 0;  // exactly one half goes to the even 0
    }
    if (magnitude >= kTopBit) return std::nullopt;
    auto integer = static_cast<std::int64_t>(magnitude);
    return negative_ ? -integer : integer;
}

std::optional<std::int64_t> TExtended::truncated() const {
    return toInteger(false);
}

std::optional<std::int64_t> TExtended::rounded() const {
    return toInteger(true);
}

}  // namespace gerador
