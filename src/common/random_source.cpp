#include "common/random_source.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <random>

namespace gerador {

namespace randomsource {
namespace {

// At namespace scope, so no draw pays for a first-use guard; the column run draws once
// per offered chain. Nothing draws before main.
std::mt19937 engineInstance;

std::mt19937& engine() {
    return engineInstance;
}

}  // namespace

void srand(std::uint32_t seed) {
    engine().seed(seed);
}

int rand() {
    return static_cast<int>(engine()() >> 17);
}

std::int32_t lrand() {
    return static_cast<std::int32_t>(engine()() >> 1);
}

double randFraction() {
    return (TExtended::fromInteger(rand()) * kInverseRandMax).toDouble();
}

std::int64_t drawInRange(std::int64_t min, std::int64_t max) {
    assert(spanFitsDraw(min, max));
    auto span = static_cast<std::int32_t>(max - min);
    return span != 0 ? min + lrand() % span : min;
}

std::int64_t highestInRange(std::int64_t min, std::int64_t max) {
    std::int64_t span = max - min;
    return min + std::max<std::int64_t>((span < 0 ? -span : span) - 1, 0);
}

bool spanFitsDraw(std::int64_t min, std::int64_t max) {
    std::int64_t span = max - min;
    return span >= INT32_MIN && span <= INT32_MAX;
}

}  // namespace randomsource

}  // namespace gerador
