#include "solve/solver.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "columns/columns.h"
#include "solve/integer_solution.h"
#include "solve/master.h"
#include "tasks/tasks.h"

namespace gerador {

namespace {

// An LP value this close above an integer rounds down to it, not up: noise of the simplex.
constexpr double kIntegerTolerance = 1e-6;
// Columns a pass may gather to prove an incumbent optimal; past it the proof is skipped,
// so that memory stays bounded.
constexpr std::size_t kMostProofColumns = 500000;

// The columns of a known solution, gathered by a pass over the run's columns.
std::vector<TKeptColumn> startColumns(const TTarefas& tasks, TColunas& columns, const TSolution& start) {
    std::vector<TKeptColumn> kept;
    if (start.columns.empty()) return kept;
    std::unordered_set<std::int32_t> wanted(start.columns.begin(), start.columns.end());
    struct TWantedSink : TColumnSink {
        std::unordered_set<std::int32_t>& wanted;
        std::vector<TKeptColumn>& kept;
        TWantedSink(std::unordered_set<std::int32_t>& numbers, std::vector<TKeptColumn>& into)
            : wanted(numbers), kept(into) {}
        void begin(const TColumnRunInfo&) override {}
        void add(const TPricedColumn& column) override {
            if (wanted.count(column.number) != 0) kept.push_back({column.number, column.cost, *column.tasks, 0});
        }
        void end(std::int32_t) override {}
    } sink(wanted, kept);
    columns.generateColumns(&tasks, std::vector<TColumnSink*>{&sink});
    return kept;
}

// The slack cost the elastic model gets by default, from a pass over the columns.
std::int64_t defaultSlackCost(const TTarefas& tasks, TColunas& columns) {
    struct TRangeSink : TColumnSink {
        std::int64_t lowest = 0, highest = 0;
        std::size_t shortest = SIZE_MAX;
        void begin(const TColumnRunInfo&) override {}
        void add(const TPricedColumn& column) override {
            bool first = shortest == SIZE_MAX;
            lowest = first ? column.cost : std::min<std::int64_t>(lowest, column.cost);
            highest = first ? column.cost : std::max<std::int64_t>(highest, column.cost);
            shortest = std::min(shortest, column.tasks->size());
        }
        void end(std::int32_t) override {}
    } range;
    columns.generateColumns(&tasks, std::vector<TColumnSink*>{&range});
    auto taskCount = static_cast<std::int64_t>(tasks.count);
    std::int64_t shortest = range.shortest == SIZE_MAX ? 1 : static_cast<std::int64_t>(range.shortest);
    return defaultUncoveredCost(taskCount, shortest, range.lowest, range.highest);
}

TSolution solutionOf(const TIntegerOutcome& outcome) {
    TSolution solution{outcome.objective, outcome.columns, {}};
    for (std::int32_t task : outcome.slackTasks) solution.slackTasks.push_back(task + 1);
    std::sort(solution.columns.begin(), solution.columns.end());
    return solution;
}

}  // namespace

bool solverAvailable() {
    return true;
}

TSolveResult solveInstance(const TTarefas& tasks, const TColunas& columnSettings, const TSolveOptions& options) {
    auto started = std::chrono::steady_clock::now();
    TColunas columns = columnSettings;
    TSolveResult result;
    double startCost = 1.0;
    if (options.model == TModel::elastic) {
        result.uncoveredCost = options.uncoveredCost ? *options.uncoveredCost : defaultSlackCost(tasks, columns);
        startCost = static_cast<double>(result.uncoveredCost);
    }
    TMaster master(tasks.count, options.model, startCost);
    std::vector<TKeptColumn> start =
        options.start ? startColumns(tasks, columns, *options.start) : std::vector<TKeptColumn>{};
    TLpOutcome lp = solveLinearRelaxation(master, tasks, columns, std::move(start));
    result.pricingPasses = lp.passes;
    result.masterColumns = static_cast<std::int64_t>(master.columns().size());
    auto finish = [&] {
        result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        return result;
    };
    if (!lp.feasible) {
        result.status = TSolveStatus::infeasible;
        return finish();
    }
    result.lpValue = lp.value;
    result.bound = static_cast<std::int64_t>(std::ceil(lp.value - kIntegerTolerance));
    if (options.partitionImpossible && options.model == TModel::partition) {
        // The LP has a solution, but a certificate shows no integer one can exist.
        result.status = TSolveStatus::infeasible;
        return finish();
    }

    std::vector<std::int32_t> startNumbers = options.start ? options.start->columns : std::vector<std::int32_t>{};
    double secondsLeft = options.seconds;
    TIntegerOutcome integer =
        solveInteger(master.columns(), tasks.count, options.model, startCost, secondsLeft, startNumbers);
    result.nodes = integer.nodes;
    bool provenOverAll = false;
    if (integer.found && integer.objective > *result.bound) {
        // Every column in a cheaper solution prices at most the gap under the LP's duals
        // (a solution costs the LP value plus its columns' reduced costs), so the columns
        // priced within the gap hold the optimum over all columns.
        double gap = static_cast<double>(integer.objective) - lp.value + kIntegerTolerance;
        bool overflowed = false;
        std::unordered_set<std::int32_t> none;
        std::vector<TKeptColumn> proof =
            priceColumns(tasks, columns, lp.duals, gap, kMostProofColumns, false, none, &overflowed);
        ++result.pricingPasses;
        if (!overflowed) {
            secondsLeft = options.seconds -
                          std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            TIntegerOutcome exact = solveInteger(proof, tasks.count, options.model, startCost,
                                                 std::max(secondsLeft, 1.0), integer.columns);
            result.nodes += exact.nodes;
            result.masterColumns =
                std::max<std::int64_t>(result.masterColumns, static_cast<std::int64_t>(proof.size()));
            if (exact.found && exact.objective <= integer.objective) {
                provenOverAll = exact.proven;
                integer = exact;
            }
        }
    }
    if (!integer.found) {
        result.status = TSolveStatus::unknown;
        return finish();
    }
    result.objective = integer.objective;
    result.solution = solutionOf(integer);
    result.gap =
        static_cast<double>(integer.objective - *result.bound) / std::max<double>(1.0, std::fabs(integer.objective));
    bool closed = integer.objective == *result.bound;
    result.status = closed || provenOverAll ? TSolveStatus::optimal : TSolveStatus::feasible;
    return finish();
}

}  // namespace gerador
