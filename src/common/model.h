#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace gerador {

// How the task rows of an instance bind the columns: each task covered exactly once
// (partition), at least once (cover), or exactly once by columns or by a slack that
// costs the uncovered cost (elastic), so that every instance has a solution.
enum class TModel { partition, cover, elastic };

// What a model means for the rows and the columns: the one place the exports, the
// master LP, the integer search, the checker and the bounds read.
struct TModelRules {
    bool rowIsEquality;       // each task covered exactly once; otherwise at least once
    bool slackPerRow;         // a slack column per task, at the uncovered cost
    bool columnUpperBound;    // columns bounded by 1 explicitly (equality rows imply it)
    // Columns of a solution never share a task, so a solution holds at most taskCount /
    // shortest column of them; otherwise an optimum (costs positive) holds at most taskCount.
    bool columnsDisjoint;
    // Has no solution when no exact partition exists (a certificate settles it).
    bool needsExactPartition;
};
const TModelRules& rulesOf(TModel model);

// The model's name as options and reports spell it.
std::string_view modelName(TModel model);
// The model a name spells; none for an unknown name.
std::optional<TModel> modelNamed(std::string_view name);

// The cost of leaving a task uncovered in the elastic model when none is given: above what
// any exact partition saves over any set of columns with slacks, so that an optimum uses no
// slack whenever an exact partition exists. An exact partition holds at most
// taskCount / shortestColumn columns, each costing lowestCost to highestCost; a solution
// with s slacks costs at least s times the slack cost plus that many columns at lowestCost.
// Requires: shortestColumn >= 1.
std::int64_t defaultUncoveredCost(std::int64_t taskCount, std::int64_t shortestColumn, std::int64_t lowestCost,
                                  std::int64_t highestCost);

// The range of the columns' costs and lengths, gathered as they go by: what the default
// uncovered cost is made from.
struct TColumnRange {
    std::int64_t lowestCost = 0;
    std::int64_t highestCost = 0;
    std::size_t shortest = SIZE_MAX;  // tasks of the shortest column; SIZE_MAX: no column yet

    void note(std::int64_t cost, std::size_t tasks) {
        bool first = shortest == SIZE_MAX;
        lowestCost = first || cost < lowestCost ? cost : lowestCost;
        highestCost = first || cost > highestCost ? cost : highestCost;
        shortest = tasks < shortest ? tasks : shortest;
    }
    // defaultUncoveredCost over these columns (a shortest of 1 when there were none).
    std::int64_t uncoveredCost(std::int64_t taskCount) const;
};

}  // namespace gerador
