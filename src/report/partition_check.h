#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "columns/column_sink.h"

namespace gerador {

// Why an instance cannot be partitioned exactly, when a simple reason shows it.
struct TPartitionVerdict {
    enum class TKind {
        uncoveredTask,      // task a is in no column
        neverTogetherPair,  // a and b share no column, and every column holding either holds c
        noSimpleObstacle,   // neither: a partition may or may not exist
    };
    TKind kind = TKind::noSimpleObstacle;
    std::int32_t a = -1;  // task indices, 0 for the first task; -1 where the kind has none
    std::int32_t b = -1;
    std::int32_t c = -1;
    // The pair rule was not tried: its counts would not fit the memory kept for them.
    bool pairRuleSkipped = false;
};

// Looks for a certificate that no exact partition exists while the columns stream by:
// it counts, for every pair of tasks, the columns holding both (2 bytes a pair of tasks
// on average, none per column). Columns that share a leading part with the previous one
// cost only their new part: columns are counted per chain position and added to the
// pairs of the position's task when it leaves that position.
class TPartitionCheck {
public:
    // Past this many tasks the pair counts (4 bytes a pair) would pass 64 MB: the check then
    // keeps the coverage only, and the verdict says the pair rule was skipped.
    static constexpr std::int32_t kMostPairTasks = 5793;

    // Forgets everything and sizes the tables for taskCount tasks.
    void start(std::int32_t taskCount);
    // Adds a column. Requires: start() first; task indices below taskCount, each at most
    // once; fewer than 2^32 columns.
    void add(const TPricedColumn& column);
    // Counts what is still kept; call once after the last column.
    void finish();

    // Columns holding each task. Requires: finish().
    const std::vector<std::int64_t>& coverage() const { return coverage_; }
    // The lowest uncovered task; otherwise the never-together pair (a, b) with the lowest
    // a, then b, then c; otherwise none. Requires: finish().
    TPartitionVerdict verdict() const;

private:
    // Columns holding both tasks (in any order).
    std::uint32_t& together(std::int32_t first, std::int32_t second);
    std::uint32_t together(std::int32_t first, std::int32_t second) const;
    void pop();

    std::int32_t taskCount_ = 0;
    bool countsPairs_ = true;
    std::vector<std::uint32_t> together_;  // by unordered pair of different tasks; empty without pairs
    std::vector<std::int64_t> coverage_;
    // By chain position of the previous column (the first depth_): its task and the
    // columns that held it there since it entered.
    std::size_t depth_ = 0;
    std::vector<std::int32_t> positionTask_;
    std::vector<std::int64_t> positionColumns_;
    TPreviousColumn previous_;
};

}  // namespace gerador
