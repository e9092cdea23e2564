#pragma once

#include <cstdint>
#include <climits>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "columns/chain_count.h"
#include "common/messages.h"
#include "columns/chain_search.h"
#include "columns/chain_totals.h"
#include "columns/column_rule.h"
#include "columns/column_sink.h"
#include "columns/instance_graph.h"
#include "columns/uncovered_pool.h"
#include "common/exceptions.h"
#include "common/random_source.h"

namespace gerador {

class TTarefas;
struct TTarefa;
struct TRunEnvironment;

// A run that would write more columns than it may: past maxColumns, or past the 32-bit
// column numbers (maxColumns() empty). detail is added to the message as it is.
class EColumnLimit : public EParameterError {
public:
    explicit EColumnLimit(std::optional<std::int32_t> maxColumns, std::string detail = "");
    std::optional<std::int32_t> maxColumns() const { return maxColumns_; }
    // The message naming the limit as the caller knows it ("--max-columns", "max_columns").
    std::string textNaming(const std::string& limitName) const;

private:
    std::optional<std::int32_t> maxColumns_;
    std::string detail_;
};

// A chain's price: what the column file writes of it beyond its tasks.
struct TChainPrice {
    std::size_t sharedTasks = 0;  // leading tasks shared with the chain priced before
    std::int64_t cost = 0;
    std::int64_t workMinutes = 0;

    // The first value that does not fit its 32-bit field of the column file, by the
    // field's name ("custo", "minutos trabalhados"); none when both fit.
    std::optional<std::pair<const char*, std::int64_t>> fieldPast32Bits() const {
        if (cost < INT32_MIN || cost > INT32_MAX) return std::pair{N_("custo"), cost};
        if (workMinutes < INT32_MIN || workMinutes > INT32_MAX) return std::pair{N_("minutos trabalhados"), workMinutes};
        return std::nullopt;
    }
};

// Prices chain with the totals kept from the chain priced before it (see TChainTotals):
// its tasks' costs, one unit for each full 100 idle minutes, and a charge of 800.
TChainPrice priceChain(TChainTotals& totals, const std::vector<TTarefa>& tasks, const std::vector<std::int32_t>& chain,
                       std::size_t unchangedTasks = TChainTotals::kUnknownShared);

// Throws EParameterError: the column's field (cost or minutes) does not fit 32 bits.
[[noreturn, gnu::cold]] void refuseColumnField(std::int32_t column, const char* field, std::int64_t value);

// What a column run produced, beyond what its outputs wrote.
struct TColumnRunResult {
    std::int32_t columnCount = 0;
    // Tasks no column can cover, lowest first: no chain of more than minTasks tasks begins
    // at them, and no chain from a start task holds them. The instance has no exact
    // partition then; the caller decides how to tell the user.
    std::vector<std::int32_t> uncoverableTasks;
};

// The column generator: links the ordered tasks into a successor graph, enumerates
// every chain of tasks one crew can perform from a depot, prices each accepted chain
// and hands it to the run's outputs (sinks), which it knows only as sinks.
class TColunas {
public:
    std::int32_t columnCount = 0;          // columns written by the most recent run
    std::int32_t minTasks = 2;             // a chain is offered when it holds more tasks than this
    std::int32_t maxTasks = 13;            // no chain holds more tasks than this
    std::int32_t acceptPercent = 1;        // an offered chain is written when a draw 0..99 is at most this
    // The rule these fields make (see TColumnRule).
    TColumnRule rule() const { return {minTasks, acceptPercent, keptChains_.chains != nullptr ? &keptChains_ : nullptr}; }
    // Every draw from 0 to 99 passes: each offered chain is written, whatever the draws.
    bool writesEveryOffer() const { return rule().writesEveryOffer(); }
    std::uint32_t seed = 0;
    TUncoveredPool uncoveredTasks;
    TSuccessorLists successors;         // by task index, ascending
    std::vector<std::int32_t> startTasks;  // tasks leaving from a depot, ascending
    const TTarefas* taskGenerator = nullptr;  // read only, not owned
    std::vector<TColumnSink*> sinks;          // what writeColumn feeds; not owned
    // The run stops with EColumnLimit before it writes column maxColumns + 1.
    std::int32_t maxColumns = INT32_MAX;
    // Threads that search the start tasks of the first phase; 0: every core. The columns,
    // their numbers and order are the same with any number.
    std::int32_t threads = 0;
    // Called with the columns written so far every kProgressEvery columns, on the thread
    // that writes them; it may throw to stop the run. The environment's interrupted flag
    // is read as often.
    std::function<void(std::int64_t)> onProgress;
    static constexpr std::int32_t kProgressEvery = 4096;
    // Where the run prints, draws and writes; not owned; null: defaultEnvironment().
    TRunEnvironment* environment = nullptr;
    // The tasks' graph, built once per instance and shared (pricing passes reuse it);
    // null: each run builds its own into successors and startTasks.
    // Requires: built from the run's tasks, minTasks and maxTasks.
    std::shared_ptr<const TInstanceGraph> graph;

    // Feeds outputs every chain of more than minTasks and at most maxTasks tasks: first
    // from every start task, then from each task still uncovered, lowest first, and ends
    // every output. Committing their files is the caller's.
    // Throws EParameterError for parameters under which the run would hang or read
    // outside the tasks, and what a sink throws (EFileError).
    TColumnRunResult generateColumns(const TTarefas* tasks, const std::vector<TColumnSink*>& outputs);
    // The same with the standard outputs: "150_3304438.txt" with writeFile, every
    // 10000th column on the console with echo; then checks the console, commits the file
    // and prints the closing lines.
    TColumnRunResult generateColumns(const TTarefas* tasks, bool writeFile, bool echo);
    // The number of columns a run would write, found by a run with no outputs.
    std::int32_t countColumns(const TTarefas* tasks);

    // Fills successors (later start, at the place where the task ends) and startTasks
    // (origin a depot), clearing them first. Throws EParameterError for a count outside the tasks.
    void buildSuccessorGraph(const TTarefas& tasks);

    // Prices the chain, numbers it (columnCounter + 1), hands it to every sink and removes
    // its tasks from uncoveredTasks.
    // Requires: taskGenerator set, at least one task, and the tasks it shares with the
    // previous column already out of uncoveredTasks (true from one column to the next,
    // and after startCoverage).
    // Throws EParameterError when the number, cost or minutes of the column do not fit
    // their 32-bit fields.
    // unchangedTasks: leading tasks known equal to those of the previous column, if known.
    void writeColumn(std::int32_t depot, std::int32_t& columnCounter, const std::vector<std::int32_t>& chain,
                     std::int32_t phase = 1, std::size_t unchangedTasks = TChainTotals::kUnknownShared);

    // Puts every task back into uncoveredTasks and forgets the previous column, whose
    // tasks writeColumn would otherwise take as already removed.
    void startCoverage();

private:
    // Runs the search from each of starts, its columns given depot, or each its start
    // task's origin when depot is 0; returns how many chains it offered.
    std::int64_t searchFrom(TChainSearch& search, std::span<const std::int32_t> starts, std::int32_t depot,
                            std::int32_t phase, std::int32_t& columnCounter);

    // Before the column numbered columnCounter + 1: stops at a limit, calls onProgress.
    void checkpoint(std::int32_t columnCounter);
    // Numbers a priced chain, hands it to every sink and removes its new tasks from the pool.
    // Throws EParameterError when its cost or minutes do not fit their 32-bit fields.
    void deliverColumn(std::int32_t number, std::int32_t depot, std::int32_t phase,
                       const std::vector<std::int32_t>& chain, const TChainPrice& price);
    // The first phase with threadCount threads searching the start tasks, the columns
    // delivered in order from this thread. Requires: graph the run's.
    void searchFirstPhaseInThreads(std::int32_t threadCount, const TInstanceGraph& runGraph, std::int32_t& columnCounter);

    TChainTotals columnTotals_;  // of the last column written
    randomsource::TRandomStream* random_ = nullptr;  // the environment's, during a run
    TKeptChains keptChains_;                         // the planted duties, when draws decide
    std::int32_t nextCheckpoint_ = 0;  // the counter at which writeColumn next calls checkpoint
};

// What the outputs of a column run over tasks learn at its start: the task count, the
// depots' weights (0.4 for the first, the others share 0.6) and the tasks.
TColumnRunInfo columnRunInfo(const TTarefas& tasks);

// The task generator's count, checked against its tasks.
// Throws EParameterError when it is negative or past the end of the tasks.
std::size_t checkedTaskCount(const TTarefas& tasks);

}  // namespace gerador
