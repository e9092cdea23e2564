#include "solve/integer_solution.h"

#include <cmath>
#include <string>
#include <vector>

#include <coin/CbcModel.hpp>
#include <coin/CbcSolver.hpp>
#include <coin/OsiClpSolverInterface.hpp>

namespace gerador {

namespace {

// Cbc's driver asks where it stands; nothing here needs to know.
int ignoreProgress(CbcModel*, int) {
    return 0;
}

// Swallows every message of the solvers: the console belongs to the run. Log levels
// alone do not hold, since Cbc's driver and its solution check reset them.
class TSilentMessages : public CoinMessageHandler {
public:
    int print() override { return 0; }
    CoinMessageHandler* clone() const override { return new TSilentMessages(*this); }
};

}  // namespace

TIntegerOutcome solveInteger(const std::vector<TKeptColumn>& columns, std::int32_t taskCount, TModel model,
                             double slackCost, double seconds, const TIntegerStart& start) {
    TIntegerOutcome outcome;
    if (seconds <= 0) return outcome;
    // The columns, then in the elastic model a slack per task; no artificials.
    const TModelRules& rules = rulesOf(model);
    bool elastic = rules.slackPerRow;
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
    std::vector<double> rowUpper(taskRows, rules.rowIsEquality ? 1.0 : COIN_DBL_MAX);

    TSilentMessages silent;
    OsiClpSolverInterface solver;
    solver.passInMessageHandler(&silent);
    solver.messageHandler()->setLogLevel(0);
    solver.loadProblem(static_cast<int>(columnCount), taskCount, arrays.starts.data(), arrays.rows.data(), ones.data(),
                       lower.data(), upper.data(), costs.data(), rowLower.data(), rowUpper.data());
    for (std::size_t column = 0; column < columnCount; ++column) solver.setInteger(static_cast<int>(column));

    CbcModel search(solver);
    CbcSolverUsefulData driver;
    CbcMain0(search, driver);
    driver.noPrinting_ = true;
    search.passInMessageHandler(&silent);
    search.messageHandler()->setLogLevel(0);
    search.solver()->passInMessageHandler(&silent);
    if (!start.columns.empty()) {
        // A known solution (planted, or found before) gives the search an incumbent from
        // the start; in the elastic model with the slacks it pays.
        std::vector<double> values(columnCount, 0.0);
        double startCost = 0;
        std::size_t found = 0;
        for (std::size_t column = 0; column < columns.size(); ++column) {
            for (std::int32_t number : start.columns) {
                if (columns[column].number != number) continue;
                values[column] = 1.0;
                startCost += costs[column];
                ++found;
            }
        }
        for (std::int32_t task : start.slackTasks) {
            if (task < 0 || static_cast<std::size_t>(task) >= slacks) continue;
            values[columns.size() + static_cast<std::size_t>(task)] = 1.0;
            startCost += slackCost;
        }
        if (found == start.columns.size())
            search.setBestSolution(values.data(), static_cast<int>(columnCount), startCost, true);
    }
    std::string limit = std::to_string(std::max(seconds, 0.0));
    // Cbc's preprocessing, cut short by the time limit while it holds a start solution,
    // crashes in its post-processing (Cbc 2.10): with a start the search goes without it.
    std::vector<const char*> arguments = {"gerador", "-log", "0", "-slog", "0", "-sec", limit.c_str()};
    if (!start.columns.empty()) arguments.insert(arguments.end(), {"-preprocess", "off"});
    arguments.insert(arguments.end(), {"-solve", "-quit"});
    CbcMain1(static_cast<int>(arguments.size()), arguments.data(), search, ignoreProgress, driver);

    outcome.nodes = search.getNodeCount();
    const double* best = search.bestSolution();
    if (best == nullptr) return outcome;
    outcome.found = true;
    // A search stopped by the time limit proves nothing, whatever its status says.
    outcome.proven = search.isProvenOptimal() && !search.isSecondsLimitReached() && search.status() == 0;
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
