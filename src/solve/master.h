#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

#include "columns/column_sink.h"
#include "common/model.h"
#include "solve/solver.h"

class ClpSimplex;

namespace gerador {

class TTarefas;
class TColunas;

// A column of the instance that the solver keeps: its number in the run, cost and tasks.
struct TKeptColumn {
    std::int32_t number = 0;
    std::int64_t cost = 0;
    std::vector<std::int32_t> tasks;  // task indices
    double reducedCost = 0;           // when priced
};

// Columns laid out as the solvers take them: column starts, their task rows, costs.
struct TColumnArrays {
    std::vector<int> starts = {0};  // CoinBigIndex is int in these builds
    std::vector<int> rows;
    std::vector<double> costs;
    void add(const TKeptColumn& column, double cost);
    std::size_t size() const { return costs.size(); }
};

// Prices every column of a run with the duals of the task rows and keeps those whose
// reduced cost (cost less the duals of its tasks) lies below a threshold, the lowest
// first, up to a capacity: one pass of the pricing of column generation. Columns the
// master already holds are skipped. The sums of the duals reuse the prefix a column shares
// with the one before, so a column costs its new tasks only.
class TPricingSink : public TColumnSink {
public:
    // costFree: price as if every column cost nothing (the first phase of the LP).
    TPricingSink(const std::vector<double>& duals, double threshold, std::size_t capacity, bool costFree,
                 const std::unordered_set<std::int32_t>& inMaster);

    void begin(const TColumnRunInfo& run) override;
    void add(const TPricedColumn& column) override;
    void end(std::int32_t columnCount) override;

    // The columns kept, lowest reduced cost first. Complete after end().
    std::vector<TKeptColumn> takeColumns();
    // More columns than the capacity had a reduced cost below the threshold.
    bool overflowed() const { return overflowed_; }
    double lowestReducedCost() const { return lowest_; }
    // Tasks of the shortest column of the run; SIZE_MAX when there was none.
    std::size_t shortestColumn() const { return shortest_; }
    // Asks the pass for a bound that needs no duals: every task is covered at least
    // once, and a column's cost shared over its tasks gives each at least the least
    // share of any column holding it. slackCost: of the elastic slacks, or none.
    void gatherShares(std::optional<double> slackCost);
    // That bound; none when a task is in no column and has no slack.
    std::optional<double> shareBound() const;
    std::int32_t columnCount() const { return columnCount_; }

    // For passes that split the columns: an empty sink pricing as this one does, and the
    // union of what another such sink kept (the same columns as one sink fed both parts).
    TPricingSink sibling() const;
    void absorb(TPricingSink&& other);
    void setShortestColumn(std::size_t tasks) { shortest_ = tasks; }
    const std::vector<double>& duals() const { return duals_; }
    double threshold() const { return threshold_; }
    bool costFree() const { return costFree_; }
    bool gathersShares() const { return gatheringShares_; }

private:
    // Whether a column of this reduced cost and number is kept, making room for it when the
    // capacity is reached (then overflowed).
    bool makesRoom(double reducedCost, std::int32_t number);

    const std::vector<double>& duals_;
    double threshold_;
    std::size_t capacity_;
    bool costFree_;
    const std::unordered_set<std::int32_t>& inMaster_;
    std::vector<double> dualSums_;  // by chain position: the duals up to it
    TPreviousColumn previous_;
    std::vector<TKeptColumn> kept_;  // a heap, the highest reduced cost on top
    bool overflowed_ = false;
    double lowest_ = 0;
    std::size_t shortest_ = SIZE_MAX;
    bool gatheringShares_ = false;
    std::optional<double> slackShare_;
    std::vector<double> leastShare_;  // by task, while gathering
    std::int32_t columnCount_ = 0;
};

// The restricted master LP over the task rows: a start column per task (an artificial
// variable, or the elastic slack), then the columns generated so far. Solved by Clp.
class TMaster {
public:
    // startCost: of each start column (1 for artificials in the first phase, the slack cost
    // for the elastic model).
    TMaster(std::int32_t taskCount, TModel model, double startCost);
    ~TMaster();
    TMaster(const TMaster&) = delete;
    TMaster& operator=(const TMaster&) = delete;

    void addColumns(std::vector<TKeptColumn> columns, bool costFree);
    enum class TOutcome { optimal, infeasible, stopped };
    // Solves the LP from the last basis within seconds.
    TOutcome solve(double seconds);
    double value() const;
    const std::vector<double>& duals() const { return duals_; }
    // Ends the first phase: the artificials leave for good, the columns get their costs.
    void startSecondPhase();

    const std::vector<TKeptColumn>& columns() const { return columns_; }
    const std::unordered_set<std::int32_t>& numbers() const { return numbers_; }
    std::int32_t taskCount() const { return taskCount_; }
    TModel model() const { return model_; }
    double startCost() const { return startCost_; }

private:
    std::int32_t taskCount_;
    TModel model_;
    double startCost_;
    std::unique_ptr<ClpSimplex> lp_;
    std::vector<TKeptColumn> columns_;  // LP column taskCount_ + k is columns_[k]
    std::unordered_set<std::int32_t> numbers_;
    std::vector<double> duals_;
};

// The LP over every column of the run, by column generation.
struct TLpOutcome {
    bool feasible = false;   // the master holds a solution without artificials
    bool converged = false;  // no column priced below zero: value is the LP optimum
    bool stoppedInFirstPhase = false;  // time or passes ran out before the artificials left
    std::optional<double> shareBound;  // from the first pass: valid even before the LP is solved
    double value = 0;        // the master's, at the end
    std::vector<double> duals;
    std::optional<double> lagrangianBound;  // the best of the second phase's passes
    std::int32_t passes = 0;
};

// When column generation stops, and who hears of each pass.
struct TLpLimits {
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point deadline;
    std::function<void(const TPricingPass&)> onPass;
};

// Runs both phases (one for the elastic model, whose slacks make it feasible from the
// start) until no column prices below zero, or the deadline or the pass cap comes first.
// start: columns to hold from the first pass.
TLpOutcome solveLinearRelaxation(TMaster& master, TColumnSource& source, std::vector<TKeptColumn> start,
                                 const TLpLimits& limits);

// One pricing pass: the columns of the run whose reduced cost under duals lies below
// threshold, at most capacity of them, the master's own left out.
std::vector<TKeptColumn> priceColumns(TColumnSource& source, const std::vector<double>& duals, double threshold,
                                      std::size_t capacity, bool costFree,
                                      const std::unordered_set<std::int32_t>& inMaster, bool* overflowed = nullptr);

}  // namespace gerador
