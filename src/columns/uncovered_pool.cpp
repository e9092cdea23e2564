#include "columns/uncovered_pool.h"

#include <cassert>

namespace gerador {

void TUncoveredPool::fill(std::int32_t taskCount) {
    uncovered_.assign(static_cast<std::size_t>(taskCount), 1);
    remaining_ = uncovered_.size();
    lowestCandidate_ = 0;
}

void TUncoveredPool::remove(std::int32_t task) {
    assert(task >= 0 && static_cast<std::size_t>(task) < uncovered_.size());
    auto index = static_cast<std::size_t>(task);
    if (!uncovered_[index]) return;
    uncovered_[index] = 0;
    --remaining_;
}

bool TUncoveredPool::contains(std::int32_t task) const {
    return task >= 0 && static_cast<std::size_t>(task) < uncovered_.size() &&
           uncovered_[static_cast<std::size_t>(task)] != 0;
}

std::int32_t TUncoveredPool::first() const {
    assert(!empty());
    while (uncovered_[lowestCandidate_] == 0) ++lowestCandidate_;
    return static_cast<std::int32_t>(lowestCandidate_);
}

}  // namespace gerador
