#pragma once

#include <cstdint>
#include <vector>

#include "common/model.h"
#include "solve/master.h"

namespace gerador {

// What Cbc found over a set of columns.
struct TIntegerOutcome {
    bool found = false;
    bool proven = false;  // optimal over the columns it was given
    std::int64_t objective = 0;
    std::vector<std::int32_t> columns;     // column numbers chosen
    std::vector<std::int32_t> slackTasks;  // task indices left to their slacks (elastic)
    std::int64_t nodes = 0;
};

// Solves the integer program over columns (and, in the elastic model, a slack per task
// at slackCost) with Cbc within seconds; startNumbers, when all among columns, are a
// solution to start from.
TIntegerOutcome solveInteger(const std::vector<TKeptColumn>& columns, std::int32_t taskCount, TModel model,
                             double slackCost, double seconds, const std::vector<std::int32_t>& startNumbers);

}  // namespace gerador
