#include "solve/integer_solution.h"

#include <cmath>
#include <string>

#include <coin/CbcModel.hpp>
#include <coin/CbcSolver.hpp>
#include <coin/OsiClpSolverInterface.hpp>

namespace gerador {

namespace {

// Cbc's driver asks where it stands; nothing here needs to know.
int ignoreProgress(CbcModel*, int) {
    return 0;
}

}  // namespace

TIntegerOutcome solveInteger(const std::vector<TKeptColumn>& columns, std::int32_t taskCount, TModel model,
                             double slackCost, double seconds, const std::vector<std::int32_t>& startNumbers) {
    // The columns, then in the elastic model a slack per task; no artificials.
    bool elastic = model == TModel::elastic;
    std::size_t slacks = elastic ? static_cast<std::size_t>(taskCount) : 0;
    TColumnArrays arrays;
    for (const TKeptColumn& column : columns) arrays.add(column, static_cast<double>(column.cost));
    for (std::size_t task = 0; task < slacks; ++task) {
        arrays.add({0, 0, {static_cast<std::int32_t>(task)}, 0}, slackCost);
    }
    std::vector<double>& costs = arrays.costs;
    std::size_t columnCount = columns.size() + slacks;
    std::vector<double> ones(arrays.rows.size(), 1.0);
    std::vector<double> lower(columnCount, 0.0);
    std::vector<double> upper(columnCount, 1.0);
    auto taskRows = static_cast<std::size_t>(taskCount);
    std::vector<double> rowLower(taskRows, 1.0);
    std::vector<double> rowUpper(taskRows, model == TModel::cover ? COIN_DBL_MAX : 1.0);

    OsiClpSolverInterface solver;
    solver.messageHandler()->setLogLevel(0);
    solver.loadProblem(static_cast<int>(columnCount), taskCount, arrays.starts.data(), arrays.rows.data(), ones.data(),
                       lower.data(), upper.data(), costs.data(), rowLower.data(), rowUpper.data());
    for (std::size_t column = 0; column < columnCount; ++column) solver.setInteger(static_cast<int>(column));

    CbcModel search(solver);
    search.messageHandler()->setLogLevel(0);
    CbcSolverUsefulData driver;
    CbcMain0(search, driver);
    driver.noPrinting_ = true;
    if (!startNumbers.empty()) {
        // A known solution (the planted one) gives the search an incumbent from the start.
        std::vector<double> start(columnCount, 0.0);
        double startCost = 0;
        std::size_t found = 0;
        for (std::size_t column = 0; column < columns.size(); ++column) {
            for (std::int32_t number : startNumbers) {
                if (columns[column].number != number) continue;
                start[column] = 1.0;
                startCost += costs[column];
                ++found;
            }
        }
        if (found == startNumbers.size())
            search.setBestSolution(start.data(), static_cast<int>(columnCount), startCost, true);
    }
    std::string limit = std::to_string(std::max(seconds, 0.0));
    const char* arguments[] = {"gerador", "-log", "0", "-slog", "0", "-sec", limit.c_str(), "-solve", "-quit"};
    CbcMain1(static_cast<int>(std::size(arguments)), arguments, search, ignoreProgress, driver);

    TIntegerOutcome outcome;
    outcome.nodes = search.getNodeCount();
    const double* best = search.bestSolution();
    if (best == nullptr) return outcome;
    outcome.found = true;
    outcome.proven = search.isProvenOptimal();
    std::int64_t objective = 0;
    for (std::size_t column = 0; column < columns.size(); ++column) {
        if (best[column] < 0.5) continue;
        outcome.columns.push_back(columns[column].number);
        objective += columns[column].cost;
    }
    for (std::size_t task = 0; task < slacks; ++task) {
        if (best[columns.size() + task] < 0.5) continue;
        outcome.slackTasks.push_back(static_cast<std::int32_t>(task));
        objective += static_cast<std::int64_t>(std::llround(slackCost));
    }
    outcome.objective = objective;
    return outcome;
}

}  // namespace gerador
