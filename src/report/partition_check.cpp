#include "report/partition_check.h"

#include <algorithm>
#include <cassert>
#include <tuple>
#include <utility>

namespace gerador {

namespace {

// The place of the pair {first, second} of different tasks in a triangle of pairs.
std::size_t pairIndex(std::int32_t first, std::int32_t second) {
    auto high = static_cast<std::size_t>(std::max(first, second));
    auto low = static_cast<std::size_t>(std::min(first, second));
    return high * (high - 1) / 2 + low;
}

}  // namespace

void TPartitionCheck::start(std::int32_t taskCount) {
    taskCount_ = taskCount;
    auto tasks = static_cast<std::size_t>(taskCount);
    countsPairs_ = taskCount <= kMostPairTasks;
    together_.assign(countsPairs_ ? tasks * (tasks - (tasks > 0 ? 1 : 0)) / 2 : 0, 0);
    coverage_.assign(tasks, 0);
    // A column holds each task at most once.
    depth_ = 0;
    positionTask_.assign(tasks, 0);
    positionColumns_.assign(tasks, 0);
    previous_.forget();
}

std::uint32_t& TPartitionCheck::together(std::int32_t first, std::int32_t second) {
    return together_[pairIndex(first, second)];
}

std::uint32_t TPartitionCheck::together(std::int32_t first, std::int32_t second) const {
    return together_[pairIndex(first, second)];
}

void TPartitionCheck::pop() {
    std::size_t position = --depth_;
    std::int32_t task = positionTask_[position];
    std::int64_t columns = positionColumns_[position];
    coverage_[static_cast<std::size_t>(task)] += columns;
    if (position > 0) positionColumns_[position - 1] += columns;
    if (!countsPairs_) return;
    // Every column counted here holds the tasks before this one too; the pairs with the
    // tasks after it were counted when those left. Chains of the search ascend, so the
    // pairs of this task with earlier ones lie in one row of the triangle.
    auto added = static_cast<std::uint32_t>(columns);
    auto rowTask = static_cast<std::size_t>(task);
    std::uint32_t* row = together_.data() + rowTask * (rowTask - (rowTask > 0 ? 1 : 0)) / 2;
    const std::int32_t* earlierTasks = positionTask_.data();
    for (std::size_t earlier = 0; earlier < position; ++earlier) {
        std::int32_t other = earlierTasks[earlier];
        if (other < task) {
            row[other] += added;
        } else {
            together(task, other) += added;
        }
    }
}

void TPartitionCheck::add(const TPricedColumn& column) {
    const std::vector<std::int32_t>& chain = *column.tasks;
    std::size_t shared = previous_.sharedWith(column);
    assert(shared <= depth_ && !chain.empty() && chain.size() <= positionTask_.size());
    while (depth_ > shared) pop();
    for (std::size_t position = shared; position < chain.size(); ++position) {
        std::int32_t task = chain[position];
        assert(task >= 0 && task < taskCount_);
        positionTask_[depth_] = task;
        positionColumns_[depth_] = 0;
        ++depth_;
    }
    ++positionColumns_[depth_ - 1];
}

void TPartitionCheck::finish() {
    while (depth_ > 0) pop();
}

TPartitionVerdict TPartitionCheck::verdict() const {
    TPartitionVerdict verdict;
    auto tasks = static_cast<std::size_t>(taskCount_);
    for (std::size_t task = 0; task < tasks; ++task) {
        if (coverage_[task] != 0) continue;
        verdict.kind = TPartitionVerdict::TKind::uncoveredTask;
        verdict.a = static_cast<std::int32_t>(task);
        return verdict;
    }
    if (!countsPairs_) {
        verdict.pairRuleSkipped = true;
        return verdict;
    }
    // For each task c, the tasks a whose every column holds it; two of them that never
    // meet need two columns, and both hold c.
    std::vector<std::vector<std::int32_t>> companionsOf(tasks);
    for (std::int32_t a = 0; a < taskCount_; ++a) {
        for (std::int32_t c = 0; c < taskCount_; ++c) {
            if (c != a && together(a, c) == coverage_[static_cast<std::size_t>(a)]) {
                companionsOf[static_cast<std::size_t>(c)].push_back(a);
            }
        }
    }
    for (std::int32_t c = 0; c < taskCount_; ++c) {
        const std::vector<std::int32_t>& companions = companionsOf[static_cast<std::size_t>(c)];
        for (std::size_t first = 0; first < companions.size(); ++first) {
            for (std::size_t second = first + 1; second < companions.size(); ++second) {
                std::int32_t a = companions[first];
                std::int32_t b = companions[second];
                if (together(a, b) != 0) continue;
                bool lower = verdict.kind == TPartitionVerdict::TKind::noSimpleObstacle ||
                             std::tie(a, b, c) < std::tie(verdict.a, verdict.b, verdict.c);
                if (lower) verdict = {TPartitionVerdict::TKind::neverTogetherPair, a, b, c};
            }
        }
    }
    return verdict;
}

}  // namespace gerador
