#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gerador {

// The task indices that no written column covers yet, lowest first. Entries are only
// ever removed; removal by value and the lowest entry both cost O(1) amortised, which
// matters because every task of every written column is removed.
class TUncoveredPool {
public:
    // Puts the indices 0..taskCount-1 in the pool.
    void fill(std::int32_t taskCount);
    // Removes task if it is still in the pool; nothing happens otherwise.
    void remove(std::int32_t task);

    bool contains(std::int32_t task) const;
    bool empty() const { return remaining_ == 0; }
    std::size_t size() const { return remaining_; }
    // Lowest index still in the pool. Requires: !empty().
    std::int32_t first() const;

private:
    std::vector<std::uint8_t> uncovered_;  // by task index; bytes, not bits, for the hot removal
    std::size_t remaining_ = 0;
    mutable std::size_t lowestCandidate_ = 0;  // no index below it is in the pool
};

}  // namespace gerador
