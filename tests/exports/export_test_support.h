#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "driver/stages.h"
#include "support/column_file_reader.h"

namespace gerador {

// A small generated instance: few tasks, short chains, every offered chain written.
struct TSmallInstance {
    const char* label;
    std::int32_t locationCount;
    std::int32_t count;
    std::uint32_t seed;  // of the tasks and of the columns
};

// Instances with and without an exact partition (checked by the exhaustive search).
extern const TSmallInstance kSmallInstances[5];

TSettings smallSettings(const TSmallInstance& instance);

// Runs the stages in the working folder with the console and warnings captured.
void runQuietly(const TSettings& settings);

using TOptimum = std::optional<std::int64_t>;

// The least total cost of columns covering every task 1..taskCount exactly once
// (partition) or at least once (cover), or exactly once by columns or slacks that cost
// slackCost each (elastic), by exhaustive search; none when no set does.
TOptimum exhaustiveOptimum(std::int32_t taskCount, const std::vector<TTestColumn>& columns, TModel model,
                           std::int64_t slackCost = 0);

// What a solver made of an MPS file: the optimum (none: infeasible) and the names of the
// columns at 1 in its solution.
struct TSolverResult {
    TOptimum objective;
    std::set<std::string> chosen;
};
// Skips the calling test when a solver is missing, except under CI, where it fails.
bool solversMissing();
// glpsol reports columns by position: columnNames gives their names, in MPS order.
TSolverResult glpsolSolve(const std::filesystem::path& mps, const std::vector<std::string>& columnNames = {});
TSolverResult cbcSolve(const std::filesystem::path& mps);
// The LP relaxation's optimum as glpsol finds it; none when it has no solution.
std::optional<double> glpsolRelaxation(const std::filesystem::path& mps);

}  // namespace gerador
