#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "columns/chain_search.h"
#include "columns/column_sink.h"

namespace gerador {

class TTarefas;
class TColunas;
class TPricingSink;

// Where a run's searches begin and the number of each search's first column, as a full
// pass over the columns saw them.
class TSearchRootRecorder : public TColumnSink {
public:
    explicit TSearchRootRecorder(TColumnSink& inner) : inner_(inner) {}
    void begin(const TColumnRunInfo& run) override;
    void add(const TPricedColumn& column) override;
    void end(std::int32_t columnCount) override;

    struct TRoot {
        std::int32_t task = 0;
        std::int64_t firstNumber = 0;
    };
    std::vector<TRoot> roots;
    std::int32_t columnCount = 0;
    std::size_t shortest = SIZE_MAX;  // tasks of the shortest column
    bool complete = false;            // end() was reached

private:
    TColumnSink& inner_;
    std::int32_t lastPhase_ = 0;
};

// Pricing that searches only where a reduced cost below the threshold can still be found,
// on several threads. A chain's cost never falls by more than a few units as it grows
// (idle minutes only grow; the slack covers how minutes are rounded), so no extension of a
// chain has a reduced cost below the chain's cost, less the slack, less its duals, plus the
// least sum of cost less dual over the tasks any path after its last task can add. A chain
// whose bound reaches the threshold is not extended, and the columns it would have led to
// are counted from the number of paths, so every column keeps its number in the run.
// Columns found are the same, in number and reduced cost, as a full pass finds, whatever
// the number of threads.
class TPrunedPricing {
public:
    // Whether runs of columnSettings can be priced so: every offer written, since a draw's
    // outcome cannot be counted without making it.
    static bool applies(const TColunas& columnSettings);
    // From the roots a full pass recorded. Empty (valid() false) when they disagree with
    // the counts of paths, which then cannot number the skipped columns.
    // Requires: applies(columnSettings); tasks and columnSettings outlive this.
    TPrunedPricing(const TTarefas& tasks, const TColunas& columnSettings, const TSearchRootRecorder& recorded,
                   std::int32_t threads);
    ~TPrunedPricing();
    bool valid() const { return valid_; }
    // Runs one pass into sink, as a full feed would. pastDeadline is polled between
    // searches; true stops the pass, and price returns false.
    bool price(TPricingSink& sink, const std::function<bool()>& pastDeadline) const;

private:
    struct TBlock {
        std::size_t firstRoot = 0;
        std::size_t endRoot = 0;
    };
    void priceBlock(const TBlock& block, const std::vector<std::vector<double>>& best, TPricingSink& sink,
                    const std::function<bool()>& pastDeadline, bool& stopped) const;
    std::vector<std::vector<double>> leastAdded(const TPricingSink& sink) const;

    const TTarefas& tasks_;
    TSuccessorLists successors_;
    std::int32_t minTasks_ = 0;
    std::size_t longest_ = 0;  // tasks in the longest chain a search forms
    std::vector<TSearchRootRecorder::TRoot> roots_;
    // columnsAfter_[t][p]: columns among the extensions of a chain of p tasks ending at t.
    std::vector<std::vector<std::int64_t>> columnsAfter_;
    std::vector<TBlock> blocks_;
    std::int32_t threads_ = 1;
    std::int32_t columnCount_ = 0;
    std::size_t shortest_ = SIZE_MAX;
    bool valid_ = false;
};

}  // namespace gerador
