#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace gerador {

// How the task rows of an instance bind the columns: each task covered exactly once
// (partition), at least once (cover), or exactly once by columns or by a slack that
// costs the uncovered cost (elastic), so that every instance has a solution.
enum class TModel { partition, cover, elastic };

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

}  // namespace gerador
