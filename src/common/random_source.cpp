#include "common/random_source.h"

#include <random>

namespace randomsource {
namespace {

std::mt19937& engine() {
    static std::mt19937 instance;
    return instance;
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
