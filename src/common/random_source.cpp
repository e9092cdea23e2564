#include "common/random_source.h"

#include <random>

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

}  // namespace randomsource
