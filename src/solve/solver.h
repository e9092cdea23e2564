#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "columns/column_sink.h"
#include "common/fault_hook.h"
#include "common/model.h"
#include "exports/solution_file.h"

namespace gerador {

class TTarefas;
class TColunas;
class TPricingSink;
class TPrunedPricing;

// What is known of an instance's optimum, in the words benchmark libraries use.
enum class TSolveStatus {
    optimal,     // the integer objective is proven optimal over all columns
    feasible,    // a solution is known, with a gap to the bound
    infeasible,  // no solution exists (the LP relaxation has none, or a certificate says so)
    unknown,     // no solution found in time
};

// "=opt=", "=best=", "=inf=", "=unkn=".
inline const char* statusWord(TSolveStatus status) {
    switch (status) {
        case TSolveStatus::optimal: return "=opt=";
        case TSolveStatus::feasible: return "=best=";
        case TSolveStatus::infeasible: return "=inf=";
        case TSolveStatus::unknown: break;
    }
    return "=unkn=";
}

// One pricing pass of column generation, as a trace shows it.
struct TPricingPass {
    std::int32_t pass = 0;            // from 1
    std::int32_t phase = 2;           // 1: the artificials are driven out; 2: the LP itself
    double seconds = 0;               // since the solve began
    double masterObjective = 0;
    std::int64_t columnsAdded = 0;
    // Over the columns outside the master, with the duals the pass priced with (the
    // master's, or their mix with the pass before's); 0 when none is negative.
    double lowestReducedCost = 0;
    // In phase 2, for a pass priced with the master's duals: a lower bound of the LP optimum.
    std::optional<double> lagrangianBound;
};

// Where the solver finds an instance's columns: every pass hands all of them, in number
// order, to a sink. The columns must be the same on every pass.
class TColumnSource {
public:
    // What feed throws when the deadline passes in the middle of a pass.
    struct EDeadlinePassed {};

    virtual ~TColumnSource() = default;
    virtual std::int32_t taskCount() const = 0;
    // Feeds sink every column: begin, add for each (valid during add only), end. Throws
    // EDeadlinePassed once the deadline, if any, has passed.
    virtual void feed(TColumnSink& sink) = 0;
    // One pricing pass: the sink must end up as if fed every column. A source may skip the
    // columns that cannot price below the sink's threshold.
    virtual void price(TPricingSink& sink);
    // A pass that runs past this time stops (none: no limit).
    void setDeadline(std::optional<std::chrono::steady_clock::time_point> deadline) { deadline_ = deadline; }
    // A pass stops too once interrupted is set (null: never).
    void setInterruption(const std::atomic<bool>* interrupted) { interrupted_ = interrupted; }

protected:
    bool pastDeadline() const;

private:
    std::optional<std::chrono::steady_clock::time_point> deadline_;
    const std::atomic<bool>* interrupted_ = nullptr;
};

// The columns of a run: the enumeration over tasks with the column settings, writing nothing.
class TEnumeratedColumns : public TColumnSource {
public:
    // Both must outlive this.
    TEnumeratedColumns(const TTarefas& tasks, const TColunas& columnSettings);
    ~TEnumeratedColumns() override;
    std::int32_t taskCount() const override;
    void feed(TColumnSink& sink) override;
    // After one full pass, passes search on the run's threads and skip what cannot price.
    void price(TPricingSink& sink) override;

private:
    const TTarefas& tasks_;
    std::unique_ptr<TColunas> columns_;
    std::unique_ptr<TPrunedPricing> pruned_;
};

// Columns given by hand, numbered from 1 in the order given.
struct TListedColumn {
    std::int32_t cost = 0;
    std::vector<std::int32_t> tasks;  // task indices, never empty
};
class TListedColumns : public TColumnSource {
public:
    TListedColumns(std::int32_t taskCount, std::vector<TListedColumn> columns);
    std::int32_t taskCount() const override { return taskCount_; }
    void feed(TColumnSink& sink) override;

private:
    std::int32_t taskCount_;
    std::vector<TListedColumn> columns_;
};

struct TSolveOptions {
    TModel model = TModel::partition;
    // For the whole solve, the LP included; when it runs out the result keeps what is
    // proven (a Lagrangian bound, the best solution) and never claims convergence.
    double seconds = 60;
    std::optional<std::int64_t> uncoveredCost;  // of the elastic slacks; none: the default
    std::optional<TSolution> start;             // a known solution (planted), to start from
    bool partitionImpossible = false;           // a certificate says no exact partition exists
    // Called after each pricing pass, on the solving thread.
    std::function<void(const TPricingPass&)> onPass;
    // Cores the integer step may use: with two, a quick search runs beside the full one.
    // The result is the same with any number. 0: every core, or the column settings' threads.
    std::int32_t threads = 0;
    // Test builds: "integer" is met in the integer search's own process.
    TFaultHook faultHook = nullptr;
    // Set by the caller to stop the solve soon after, with EInterrupted. Not owned; null:
    // never (solveInstance takes the column settings' environment's).
    const std::atomic<bool>* interrupted = nullptr;
};

struct TSolveResult {
    TSolveStatus status = TSolveStatus::unknown;
    std::optional<double> lpValue;       // the LP optimum over all columns
    std::optional<std::int64_t> bound;   // the LP optimum rounded up: costs are integers
    std::optional<std::int64_t> objective;
    std::optional<double> gap;           // (objective - bound) / |objective|
    double seconds = 0;
    double lpSeconds = 0;                // of them, the column generation's; the rest the integer search's
    std::int32_t pricingPasses = 0;      // enumerations of the columns
    bool lpConverged = false;            // no column priced below zero: lpValue is the LP optimum
    std::int64_t masterColumns = 0;      // columns the master LP held at the end
    std::int64_t nodes = 0;              // of Cbc's search
    std::int64_t uncoveredCost = 0;      // the elastic slacks' cost used
    TSolution solution;                  // the best, when there is one
};

// Whether this build has the solver (Clp and Cbc).
bool solverAvailable();

// The LP bound over all columns of source by column generation, and an integer solution
// by Cbc on the columns generated, all within options.seconds. When the LP does not
// converge in time the bound is the best Lagrangian one, and the status never "optimal"
// unless the objective meets it. Memory grows with the columns the master holds, not
// with the instance's. Requires: solverAvailable().
TSolveResult solveColumns(TColumnSource& source, const TSolveOptions& options);

// solveColumns over the run's columns: pricing re-runs the column enumeration of
// columnSettings over tasks (nothing written).
// Requires: solverAvailable(); tasks generated; columnSettings as the run's.
TSolveResult solveInstance(const TTarefas& tasks, const TColunas& columnSettings, const TSolveOptions& options);

}  // namespace gerador
