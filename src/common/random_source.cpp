#include "common/random_source.h"

#include <algorithm>
#include <cassert>
#include <climits>

#include "common/run_environment.h"

namespace gerador {

namespace randomsource {
namespace {

TRandomStream& sharedStream() {
    return defaultEnvironment().random;
}

}  // namespace

void srand(std::uint32_t seed) {
    sharedStream() = TRandomStream(seed);
}

int rand() {
    return sharedStream().rand();
}

std::int32_t lrand() {
    return sharedStream().lrand();
}

double randFraction() {
    return sharedStream().randFraction();
}

std::int64_t drawInRange(std::int64_t min, std::int64_t max) {
    return sharedStream().drawInRange(min, max);
}

std::int64_t highestInRange(std::int64_t min, std::int64_t max) {
    std::int64_t span = max - min;
    return min + std::max<std::int64_t>((span < 0 ? -span : span) - 1, 0);
}

bool spanFitsDraw(std::int64_t min, std::int64_t max) {
    std::int64_t span = max - min;
    return span >= INT32_MIN && span <= INT32_MAX;
}

TRandomStream::TRandomStream(std::uint32_t seed) : engine_(seed) {}

int TRandomStream::rand() {
    return static_cast<int>(engine_() >> 17);
}

std::int32_t TRandomStream::lrand() {
    return static_cast<std::int32_t>(engine_() >> 1);
}

double TRandomStream::randFraction() {
    return (TExtended::fromInteger(rand()) * kInverseRandMax).toDouble();
}

std::int64_t TRandomStream::drawInRange(std::int64_t min, std::int64_t max) {
    assert(spanFitsDraw(min, max));
    auto span = static_cast<std::int32_t>(max - min);
    return span != 0 ? min + lrand() % span : min;
}

}  // namespace randomsource

}  // namespace gerador
