#pragma once

#include <cstdint>

// The one process-wide pseudo-random source of all generators. It is ours, not the
// C library's, so that a run writes the same files with every compiler and library.
// A namespace of its own keeps the names clear of <cstdlib>.
namespace randomsource {

// Restarts the sequence exactly as a freshly made std::mt19937(seed).
void srand(std::uint32_t seed);

// Short draw: 0 to 32767 (the next output shifted right by 17 bits).
int rand();

// Long draw: 0 to 2^31 - 1 (the next output shifted right by 1 bit).
std::int32_t lrand();

// The value nearest to 1/32767 in long double, so that a short draw of 32767 scales to exactly 1.0.
inline constexpr long double kInverseRandMax = 1.0L / 32767.0L;

}  // namespace randomsource
