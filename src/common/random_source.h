#pragma once

#include <cstdint>
#include <random>

#include "common/extended.h"

namespace gerador {

// The pseudo-random source of the generators. It is ours, not the C library's, so that a
// run writes the same files with every compiler and library. Each run draws from the
// stream of its environment (TRunEnvironment::random); the free functions below draw
// from the default environment's, which the generators use when given none.
// A namespace of its own keeps the names clear of <cstdlib>.
namespace randomsource {

// Restarts the sequence exactly as a freshly made std::mt19937(seed).
void srand(std::uint32_t seed);

// Short draw: 0 to 32767 (the next output shifted right by 17 bits).
int rand();

// Long draw: 0 to 2^31 - 1 (the next output shifted right by 1 bit).
std::int32_t lrand();

// The extended value nearest to 1/32767, so that a short draw of 32767 scales to exactly 1.0.
inline constexpr TExtended kInverseRandMax = TExtended::fromParts(0x8001000200040008, -78);

// A short draw scaled by kInverseRandMax in extended precision and stored as a double: 0.0 to 1.0.
double randFraction();

// min + lrand() % (max - min), the span taken in 64 bits; when max equals min, min
// without a draw. A negative span adds 0 to -span - 1, as the truncating remainder does.
// Requires: the span fits 32 bits.
std::int64_t drawInRange(std::int64_t min, std::int64_t max);

// The largest value drawInRange(min, max) can give.
std::int64_t highestInRange(std::int64_t min, std::int64_t max);

// Whether drawInRange accepts the bounds.
bool spanFitsDraw(std::int64_t min, std::int64_t max);

// A source of its own, with the same kinds of draw as the free functions.
class TRandomStream {
public:
    // Starts exactly as a freshly made std::mt19937(seed).
    explicit TRandomStream(std::uint32_t seed);
    int rand();
    std::int32_t lrand();
    double randFraction();
    std::int64_t drawInRange(std::int64_t min, std::int64_t max);
    // Moves past draws draws (of any kind: each takes one step of the engine).
    void discard(std::uint64_t draws) { engine_.discard(draws); }

private:
    std::mt19937 engine_;
};

}  // namespace randomsource

}  // namespace gerador
