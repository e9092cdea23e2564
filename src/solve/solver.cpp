#include "solve/solver.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "columns/columns.h"
#include "common/cores.h"
#include "common/exceptions.h"
#include "common/run_environment.h"
#include "solve/integer_solution.h"
#include "solve/master.h"

namespace gerador {

namespace {

// An LP value this close above an integer rounds down to it, not up: noise of the simplex.
constexpr double kIntegerTolerance = 1e-6;
// Columns a pass may gather to prove an incumbent optimal; past it the proof is skipped,
// so that memory stays bounded.
constexpr std::size_t kMostProofColumns = 500000;

// The columns of a known solution, gathered by a pass over the run's columns.
std::vector<TKeptColumn> startColumns(TColumnSource& source, const TSolution& start) {
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
    source.feed(sink);
    return kept;
}

// The slack cost the elastic model gets by default, from a pass over the columns.
std::int64_t defaultSlackCost(TColumnSource& source) {
    struct TRangeSink : TColumnSink {
        TColumnRange range;
        void begin(const TColumnRunInfo&) override {}
        void add(const TPricedColumn& column) override { range.note(column.cost, column.tasks->size()); }
        void end(std::int32_t) override {}
    } sink;
    source.feed(sink);
    return sink.range.uncoveredCost(source.taskCount());
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

TSolveResult solveColumns(TColumnSource& source, const TSolveOptions& options) {
    using TClock = std::chrono::steady_clock;
    auto started = TClock::now();
    // No time for a limit that is not positive (NaN included); a limit the clock cannot
    // hold, which would overflow its count of nanoseconds, is no limit.
    std::chrono::duration<double> limit(options.seconds > 0 ? options.seconds : 0.0);
    auto deadline = limit < TClock::time_point::max() - started
                        ? started + std::chrono::duration_cast<TClock::duration>(limit)
                        : TClock::time_point::max();
    auto secondsLeft = [&deadline] {
        return std::chrono::duration<double>(deadline - std::chrono::steady_clock::now()).count();
    };
    const TModelRules& rules = rulesOf(options.model);
    std::int32_t taskCount = source.taskCount();
    TSolveResult result;
    double startCost = 1.0;
    if (rules.slackPerRow) {
        result.uncoveredCost = options.uncoveredCost ? *options.uncoveredCost : defaultSlackCost(source);
        startCost = static_cast<double>(result.uncoveredCost);
    }
    TMaster master(taskCount, options.model, startCost);
    std::vector<TKeptColumn> start = options.start ? startColumns(source, *options.start) : std::vector<TKeptColumn>{};
    source.setDeadline(deadline);
    // An interrupted pass stops as one past the deadline does; the solve then throws.
    source.setInterruption(options.interrupted);
    TLpOutcome lp = solveLinearRelaxation(master, source, std::move(start), {started, deadline, options.onPass});
    throwIfInterrupted(options.interrupted);
    result.pricingPasses = lp.passes;
    result.lpSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    result.lpConverged = lp.converged;
    result.masterColumns = static_cast<std::int64_t>(master.columns().size());
    auto finish = [&] {
        source.setDeadline(std::nullopt);
        source.setInterruption(nullptr);
        result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        return result;
    };
    if (!lp.feasible) {
        // Out of time before the artificials left: nothing is known but a given solution.
        if (lp.stoppedInFirstPhase && lp.shareBound) {
            result.bound = static_cast<std::int64_t>(std::ceil(*lp.shareBound - kIntegerTolerance));
        }
        if (lp.stoppedInFirstPhase && options.start) {
            result.status = TSolveStatus::feasible;
            result.objective = options.start->objective;
            result.solution = *options.start;
            if (result.bound) {
                result.gap = static_cast<double>(*result.objective - *result.bound) /
                             std::max<double>(1.0, std::fabs(static_cast<double>(*result.objective)));
            }
        } else {
            result.status = lp.stoppedInFirstPhase ? TSolveStatus::unknown : TSolveStatus::infeasible;
        }
        return finish();
    }
    if (lp.converged) result.lpValue = lp.value;
    // Converged, the LP value is the best bound; cut short, the better of the others.
    std::optional<double> bound = lp.converged ? std::optional<double>(lp.value) : lp.lagrangianBound;
    if (!lp.converged && lp.shareBound && (!bound || *lp.shareBound > *bound)) bound = lp.shareBound;
    if (bound) result.bound = static_cast<std::int64_t>(std::ceil(*bound - kIntegerTolerance));
    if (lp.converged && options.partitionImpossible && rules.needsExactPartition) {
        // The LP has a solution, but a certificate shows no integer one can exist.
        result.status = TSolveStatus::infeasible;
        return finish();
    }

    TIntegerStart known;
    if (options.start) {
        known.columns = options.start->columns;
        for (std::int32_t task : options.start->slackTasks) known.slackTasks.push_back(task - 1);
    }
    bool beside = coresFor(options.threads) > 1;
    TIntegerOutcome integer = solveInteger(master.columns(), taskCount, options.model, startCost, secondsLeft(), known,
                                           beside, options.faultHook, options.interrupted);
    result.nodes = integer.nodes;
    bool provenOverAll = false;
    // With the LP's optimal duals a solution costs at least the LP value plus its columns'
    // reduced costs, none negative. Costs are integers, so every column of a cheaper
    // solution prices at most the objective less one less the LP value: the columns priced
    // within that hold every cheaper solution, and a complete search over them that finds
    // none proves the objective optimal. (With the gap itself, up to the objective, the
    // degenerate duals of --count 200 gave over 500,000 columns.)
    if (lp.converged && integer.found && integer.objective > *result.bound && secondsLeft() > 0) {
        double gap = static_cast<double>(integer.objective - 1) - lp.value + kIntegerTolerance;
        bool overflowed = false;
        std::unordered_set<std::int32_t> none;
        std::vector<TKeptColumn> proof;
        try {
            proof = priceColumns(source, lp.duals, gap, kMostProofColumns, false, none, &overflowed);
        } catch (const TColumnSource::EDeadlinePassed&) {
            throwIfInterrupted(options.interrupted);
            overflowed = true;  // no time left to prove anything
        }
        ++result.pricingPasses;
        if (!overflowed && proof.empty() && !rules.slackPerRow) {
            provenOverAll = true;  // no column can be part of a cheaper solution
        } else if (!overflowed && secondsLeft() > 0) {
            TIntegerOutcome exact = solveInteger(proof, taskCount, options.model, startCost, secondsLeft(),
                                                 {integer.columns, integer.slackTasks}, beside, options.faultHook,
                                                 options.interrupted);
            result.nodes += exact.nodes;
            result.masterColumns =
                std::max<std::int64_t>(result.masterColumns, static_cast<std::int64_t>(proof.size()));
            provenOverAll = exact.proven;
            if (exact.found && exact.objective <= integer.objective) integer = exact;
        }
    }
    if (!integer.found && options.start) {
        // The search found nothing in time: the given solution still stands.
        result.status = TSolveStatus::feasible;
        result.objective = options.start->objective;
        result.solution = *options.start;
    } else if (!integer.found) {
        result.status = TSolveStatus::unknown;
        return finish();
    } else {
        result.objective = integer.objective;
        result.solution = solutionOf(integer);
    }
    bool closed = result.bound && *result.objective == *result.bound;
    result.status = closed || provenOverAll ? TSolveStatus::optimal : TSolveStatus::feasible;
    if (result.bound) {
        result.gap = static_cast<double>(*result.objective - *result.bound) /
                     std::max<double>(1.0, std::fabs(static_cast<double>(*result.objective)));
    }
    return finish();
}

TSolveResult solveInstance(const TTarefas& tasks, const TColunas& columnSettings, const TSolveOptions& options) {
    TEnumeratedColumns source(tasks, columnSettings);
    TSolveOptions withThreads = options;
    if (withThreads.threads == 0) withThreads.threads = columnSettings.threads;
    if (withThreads.interrupted == nullptr) withThreads.interrupted = orDefault(columnSettings.environment).interrupted;
    return solveColumns(source, withThreads);
}

}  // namespace gerador
