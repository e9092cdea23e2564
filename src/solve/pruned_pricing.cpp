#include "solve/pruned_pricing.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <limits>
#include <memory>
#include <thread>

#include "columns/chain_totals.h"
#include "columns/columns.h"
#include "common/cores.h"
#include "solve/master.h"
#include "solve/solver.h"
#include "tasks/tasks.h"

namespace gerador {

namespace {

// What a chain's cost may lose as it grows: its idle minutes only grow, but work and span
// minutes are each rounded (a day and a minute at most), and idle counts by the hundred.
constexpr double kIdleSlack = 2.0 * (1440 + 1) / 100 + 2;
// A bound this far above the threshold is above it for certain: sums of the same duals
// in another order differ by far less.
constexpr double kBoundTolerance = 1e-7;
// Blocks of searches per thread: small enough that the threads finish together.
constexpr std::size_t kBlocksPerThread = 8;
// Entries of a table by task and chain length: 64 MB of counts. The standard instance
// needs 2,100.
constexpr std::size_t kMostTableEntries = std::size_t{1} << 23;

}  // namespace

void TSearchRootRecorder::begin(const TColumnRunInfo& run) {
    roots.clear();
    complete = false;
    shortest = SIZE_MAX;
    lastPhase_ = 0;
    inner_.begin(run);
}

void TSearchRootRecorder::add(const TPricedColumn& column) {
    const std::vector<std::int32_t>& chain = *column.tasks;
    // Columns of one search share their first task; the next search starts elsewhere.
    if (roots.empty() || roots.back().task != chain.front() || column.phase != lastPhase_) {
        roots.push_back({chain.front(), column.number});
    }
    lastPhase_ = column.phase;
    shortest = std::min(shortest, chain.size());
    inner_.add(column);
}

void TSearchRootRecorder::end(std::int32_t count) {
    columnCount = count;
    complete = true;
    inner_.end(count);
}

bool TPrunedPricing::applies(const TColunas& columnSettings) {
    return columnSettings.writesEveryOffer();
}

TPrunedPricing::TPrunedPricing(const TTarefas& tasks, const TColunas& columnSettings,
                               const TSearchRootRecorder& recorded, std::int32_t threads)
    : tasks_(tasks), minTasks_(columnSettings.minTasks), roots_(recorded.roots),
      threads_(std::max(threads, 1)), columnCount_(recorded.columnCount), shortest_(recorded.shortest) {
    if (!recorded.complete) return;
    if (columnSettings.graph != nullptr) {
        successors_ = columnSettings.graph->successors;
    } else {
        TColunas graph = columnSettings;
        graph.buildSuccessorGraph(tasks);
        successors_ = std::move(graph.successors);
    }
    auto taskCount = static_cast<std::size_t>(tasks.count);
    // No chain is longer than the longest path of the graph, whatever maxTasks allows.
    std::vector<std::size_t> longestFrom(taskCount, 1);
    for (std::size_t task = taskCount; task-- > 0;) {
        for (std::int32_t next : successors_[task])
            longestFrom[task] = std::max(longestFrom[task], longestFrom[static_cast<std::size_t>(next)] + 1);
    }
    std::size_t longestPath = taskCount == 0 ? 0 : *std::max_element(longestFrom.begin(), longestFrom.end());
    longest_ = std::min<std::size_t>(static_cast<std::uint32_t>(columnSettings.maxTasks), longestPath);
    // Each table holds a number per task and length; past this size a pass prices in full.
    if (longest_ < 2 || taskCount * (longest_ + 1) > kMostTableEntries) return;
    // paths[t][m]: chains of m tasks beginning at t; sums[t][m]: those of 2 to m tasks.
    // Successors stand later in the order.
    constexpr std::int64_t kTooMany = std::int64_t{1} << 62;
    std::vector<std::vector<std::int64_t>> paths(taskCount, std::vector<std::int64_t>(longest_ + 1, 0));
    std::vector<std::vector<std::int64_t>> sums(taskCount, std::vector<std::int64_t>(longest_ + 1, 0));
    for (std::size_t task = taskCount; task-- > 0;) {
        paths[task][1] = 1;
        for (std::size_t tasksIn = 2; tasksIn <= longest_; ++tasksIn) {
            std::int64_t count = 0;
            for (std::int32_t next : successors_[task]) {
                count = std::min(kTooMany, count + paths[static_cast<std::size_t>(next)][tasksIn - 1]);
            }
            paths[task][tasksIn] = count;
            sums[task][tasksIn] = std::min(kTooMany, sums[task][tasksIn - 1] + count);
            if (sums[task][tasksIn] == kTooMany) return;
        }
    }
    // The columns among the extensions of a chain of length tasks ending at t: the paths of
    // m = 2 to longest_ - length + 1 tasks from t that make a chain of more than minTasks.
    columnsAfter_.assign(taskCount, std::vector<std::int64_t>(longest_ + 1, 0));
    auto fewest = static_cast<std::int64_t>(std::max(minTasks_, 0));
    for (std::size_t task = 0; task < taskCount; ++task) {
        for (std::size_t length = 1; length <= longest_; ++length) {
            auto most = static_cast<std::int64_t>(longest_ - length + 1);
            std::int64_t least = std::max<std::int64_t>(2, fewest - static_cast<std::int64_t>(length) + 2);
            if (least > most) continue;
            columnsAfter_[task][length] =
                sums[task][static_cast<std::size_t>(most)] - sums[task][static_cast<std::size_t>(least - 1)];
        }
    }
    // Each search's columns, counted, must reach the next search's first column.
    std::vector<std::int64_t> rootColumns;
    for (std::size_t root = 0; root < roots_.size(); ++root) {
        auto task = static_cast<std::size_t>(roots_[root].task);
        std::int64_t columns = columnsAfter_[task][1];
        std::int64_t next = root + 1 < roots_.size() ? roots_[root + 1].firstNumber : std::int64_t{columnCount_} + 1;
        if (roots_[root].firstNumber + columns != next) return;
        rootColumns.push_back(columns);
    }
    if (!roots_.empty() && roots_.front().firstNumber != 1) return;
    // Blocks of about the same number of columns, in root order.
    std::size_t blockCount = static_cast<std::size_t>(threads_) * kBlocksPerThread;
    double perBlock = std::max(1.0, static_cast<double>(columnCount_) / static_cast<double>(blockCount));
    TBlock block;
    double inBlock = 0;
    for (std::size_t root = 0; root < roots_.size(); ++root) {
        inBlock += static_cast<double>(rootColumns[root]);
        if (inBlock >= perBlock || root + 1 == roots_.size()) {
            block.endRoot = root + 1;
            blocks_.push_back(block);
            block.firstRoot = root + 1;
            inBlock = 0;
        }
    }
    valid_ = true;
}

TPrunedPricing::~TPrunedPricing() = default;

// best[t][k]: the least sum of cost less dual over the tasks of a path of 1 to k tasks
// after t; infinity when t has no successor.
std::vector<std::vector<double>> TPrunedPricing::leastAdded(const TPricingSink& sink) const {
    auto taskCount = static_cast<std::size_t>(tasks_.count);
    constexpr double kNone = std::numeric_limits<double>::infinity();
    std::vector<std::vector<double>> best(taskCount, std::vector<double>(longest_ + 1, kNone));
    std::vector<double> gain(taskCount);
    for (std::size_t task = 0; task < taskCount; ++task) {
        double cost = sink.costFree() ? 0.0 : static_cast<double>(tasks_.tasks[task].cost);
        gain[task] = cost - sink.duals()[task];
    }
    for (std::size_t task = taskCount; task-- > 0;) {
        for (std::size_t added = 1; added <= longest_; ++added) {
            double least = kNone;
            for (std::int32_t next : successors_[task]) {
                auto following = static_cast<std::size_t>(next);
                double after = added > 1 ? std::min(0.0, best[following][added - 1]) : 0.0;
                least = std::min(least, gain[following] + after);
            }
            best[task][added] = least;
        }
    }
    return best;
}

void TPrunedPricing::priceBlock(const TBlock& block, const std::vector<std::vector<double>>& best,
                                TPricingSink& sink, const std::function<bool()>& pastDeadline, bool& stopped) const {
    TChainSearch search(successors_, static_cast<std::int32_t>(longest_));
    TChainTotals totals;
    std::vector<double> dualSums(longest_ + 1, 0.0);
    const std::vector<double>& duals = sink.duals();
    double level = std::max(sink.threshold(), 0.0) + kBoundTolerance;
    TPricedColumn column;
    for (std::size_t root = block.firstRoot; root < block.endRoot; ++root) {
        if (pastDeadline && pastDeadline()) {
            stopped = true;
            return;
        }
        std::int64_t number = roots_[root].firstNumber - 1;
        auto rootTask = static_cast<std::size_t>(roots_[root].task);
        // A column's cost holds its tasks' costs and a positive charge, less the slack at most.
        double rootCost = sink.costFree() ? 0.0 : static_cast<double>(tasks_.tasks[rootTask].cost) - kIdleSlack;
        if (rootCost - duals[rootTask] + best[rootTask][longest_ - 1] >= level) continue;
        search.start(roots_[root].task);
        std::size_t sharedWithColumn = 0;
        while (search.next()) {
            const std::vector<std::int32_t>& chain = search.chain();
            std::size_t unchanged = search.unchangedSinceMark();
            search.mark();
            sharedWithColumn = std::min(sharedWithColumn, unchanged);
            for (std::size_t position = unchanged; position < chain.size(); ++position) {
                double before = position == 0 ? 0.0 : dualSums[position - 1];
                dualSums[position] = before + duals[static_cast<std::size_t>(chain[position])];
            }
            // Kept columns carry their cost even where the pass prices them as free.
            std::int64_t cost = priceChain(totals, tasks_.tasks, chain, unchanged).cost;
            std::size_t length = chain.size();
            if (length > static_cast<std::size_t>(std::max(minTasks_, 0))) {
                ++number;
                column.number = static_cast<std::int32_t>(number);
                column.cost = static_cast<std::int32_t>(cost);
                column.tasks = &chain;
                column.sharedTasks = sharedWithColumn;
                sink.add(column);
                sharedWithColumn = length;
            }
            if (length >= longest_) continue;
            auto last = static_cast<std::size_t>(chain.back());
            double bound = (sink.costFree() ? 0.0 : static_cast<double>(cost) - kIdleSlack) - dualSums[length - 1] +
                           best[last][longest_ - length];
            if (bound >= level) {
                search.skipExtensions();
                number += columnsAfter_[last][length];
            }
        }
    }
}

bool TPrunedPricing::price(TPricingSink& sink, const std::function<bool()>& pastDeadline) const {
    std::vector<std::vector<double>> best = leastAdded(sink);
    TColumnRunInfo run;
    run.taskCount = tasks_.count;
    run.tasks = &tasks_.tasks;
    std::vector<TPricingSink> blockSinks;
    blockSinks.reserve(blocks_.size());
    for (std::size_t index = 0; index < blocks_.size(); ++index) {
        blockSinks.push_back(sink.sibling());
        blockSinks.back().begin(run);
    }
    std::vector<char> stopped(blocks_.size(), 0);
    std::vector<std::exception_ptr> failures(blocks_.size());
    std::atomic<std::size_t> nextBlock{0};
    auto work = [&] {
        for (std::size_t index = nextBlock++; index < blocks_.size(); index = nextBlock++) {
            bool stop = false;
            try {
                priceBlock(blocks_[index], best, blockSinks[index], pastDeadline, stop);
            } catch (...) {
                failures[index] = std::current_exception();
            }
            stopped[index] = stop;
        }
    };
    std::size_t threadCount = std::min<std::size_t>(static_cast<std::size_t>(threads_), blocks_.size());
    std::vector<std::thread> helpers;
    for (std::size_t helper = 1; helper < threadCount; ++helper) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
    for (const std::exception_ptr& failure : failures) {
        if (failure) std::rethrow_exception(failure);
    }
    if (std::find(stopped.begin(), stopped.end(), 1) != stopped.end()) return false;
    sink.begin(run);
    for (TPricingSink& block : blockSinks) sink.absorb(std::move(block));
    sink.end(columnCount_);
    sink.setShortestColumn(shortest_);
    return true;
}

void TEnumeratedColumns::price(TPricingSink& sink) {
    if (pruned_ == nullptr && TPrunedPricing::applies(*columns_)) {
        // The first pass sees every column and records where the searches begin.
        TSearchRootRecorder recorder(sink);
        feed(recorder);
        pruned_ = std::make_unique<TPrunedPricing>(tasks_, *columns_, recorder, coresFor(columns_->threads));
        return;
    }
    if (pruned_ == nullptr || !pruned_->valid() || sink.gathersShares()) {
        feed(sink);
        return;
    }
    if (!pruned_->price(sink, [this] { return pastDeadline(); })) throw EDeadlinePassed{};
}

}  // namespace gerador
