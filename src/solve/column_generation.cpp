#include "solve/master.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <optional>
#include <type_traits>

#include <coin/ClpSimplex.hpp>

static_assert(std::is_same_v<CoinBigIndex, int>, "TColumnArrays keeps the starts as int");

#include "columns/columns.h"
#include "tasks/tasks.h"

namespace gerador {

namespace {

// A column prices below zero when its reduced cost is below this; Clp keeps the master's
// own columns within 1e-7 of zero, so none of them is taken again by noise.
constexpr double kPricingTolerance = 1e-6;
// The first phase found the LP feasible when the artificials sum to no more than this.
constexpr double kFeasibilityTolerance = 1e-6;
// Passes give up after this many, whatever the LP: a guard against cycling on noise.
constexpr std::int32_t kMostPasses = 100000;

// Weight of the last duals priced in the next pass's mix with the master's.
constexpr double kSmoothing = 0.5;

// Whether some column prices below zero with the master's own duals.
bool improvesMaster(const std::vector<TKeptColumn>& columns, const std::vector<double>& duals, bool costFree) {
    for (const TKeptColumn& column : columns) {
        double reducedCost = costFree ? 0.0 : static_cast<double>(column.cost);
        for (std::int32_t task : column.tasks) reducedCost -= duals[static_cast<std::size_t>(task)];
        if (reducedCost < -kPricingTolerance) return true;
    }
    return false;
}

// Whether a column of the first reduced cost and number is kept before one of the second.
// Ties go to the lower number, so that the columns kept never depend on the order they
// were seen in, nor on how a pass was split.
bool keptBefore(double reducedCost, std::int32_t number, double otherReducedCost, std::int32_t otherNumber) {
    if (reducedCost != otherReducedCost) return reducedCost < otherReducedCost;
    return number < otherNumber;
}

// The heap's order: its front is the column given up first.
bool higherReducedCost(const TKeptColumn& first, const TKeptColumn& second) {
    return keptBefore(first.reducedCost, first.number, second.reducedCost, second.number);
}

}  // namespace

TPricingSink::TPricingSink(const std::vector<double>& duals, double threshold, std::size_t capacity, bool costFree,
                           const std::unordered_set<std::int32_t>& inMaster)
    : duals_(duals), threshold_(threshold), capacity_(capacity), costFree_(costFree), inMaster_(inMaster) {}

void TPricingSink::begin(const TColumnRunInfo& run) {
    dualSums_.assign(static_cast<std::size_t>(std::max(run.taskCount, 0)) + 1, 0.0);
    previous_.forget();
    kept_.clear();
    overflowed_ = false;
    lowest_ = 0;
    shortest_ = SIZE_MAX;
    if (gatheringShares_) {
        leastShare_.assign(static_cast<std::size_t>(std::max(run.taskCount, 0)),
                           slackShare_ ? *slackShare_ : std::numeric_limits<double>::infinity());
    }
    columnCount_ = 0;
}

void TPricingSink::gatherShares(std::optional<double> slackCost) {
    gatheringShares_ = true;
    leastShare_.clear();
    slackShare_ = slackCost;
}

std::optional<double> TPricingSink::shareBound() const {
    double bound = 0;
    for (double share : leastShare_) {
        if (std::isinf(share)) return std::nullopt;
        bound += share;
    }
    return bound;
}

void TPricingSink::add(const TPricedColumn& column) {
    const std::vector<std::int32_t>& chain = *column.tasks;
    shortest_ = std::min(shortest_, chain.size());
    if (gatheringShares_) {
        double share = static_cast<double>(column.cost) / static_cast<double>(chain.size());
        for (std::int32_t task : chain) {
            double& least = leastShare_[static_cast<std::size_t>(task)];
            least = std::min(least, share);
        }
    }
    for (std::size_t position = previous_.sharedWith(column); position < chain.size(); ++position) {
        double before = position == 0 ? 0.0 : dualSums_[position - 1];
        dualSums_[position] = before + duals_[static_cast<std::size_t>(chain[position])];
    }
    double reducedCost = (costFree_ ? 0.0 : column.cost) - dualSums_[chain.size() - 1];
    if (reducedCost >= threshold_) return;
    if (inMaster_.count(column.number) != 0) return;
    lowest_ = std::min(lowest_, reducedCost);
    // Decided before the column is copied: most columns of a full pass are not kept.
    if (!makesRoom(reducedCost, column.number)) return;
    kept_.push_back({column.number, column.cost, chain, reducedCost});
    std::push_heap(kept_.begin(), kept_.end(), higherReducedCost);
}

bool TPricingSink::makesRoom(double reducedCost, std::int32_t number) {
    if (kept_.size() < capacity_) return true;
    overflowed_ = true;
    const TKeptColumn& highest = kept_.front();
    if (capacity_ == 0 || !keptBefore(reducedCost, number, highest.reducedCost, highest.number)) return false;
    std::pop_heap(kept_.begin(), kept_.end(), higherReducedCost);
    kept_.pop_back();
    return true;
}

TPricingSink TPricingSink::sibling() const {
    return TPricingSink(duals_, threshold_, capacity_, costFree_, inMaster_);
}

void TPricingSink::absorb(TPricingSink&& other) {
    overflowed_ = overflowed_ || other.overflowed_;
    lowest_ = std::min(lowest_, other.lowest_);
    shortest_ = std::min(shortest_, other.shortest_);
    for (TKeptColumn& column : other.kept_) {
        if (!makesRoom(column.reducedCost, column.number)) continue;
        kept_.push_back(std::move(column));
        std::push_heap(kept_.begin(), kept_.end(), higherReducedCost);
    }
    other.kept_.clear();
}

void TPricingSink::end(std::int32_t columnCount) {
    columnCount_ = columnCount;
}

std::vector<TKeptColumn> TPricingSink::takeColumns() {
    std::sort_heap(kept_.begin(), kept_.end(), higherReducedCost);
    return std::move(kept_);
}

TMaster::TMaster(std::int32_t taskCount, TModel model, double startCost)
    : taskCount_(taskCount), model_(model), startCost_(startCost), lp_(std::make_unique<ClpSimplex>()) {
    lp_->setLogLevel(0);
    auto rows = static_cast<std::size_t>(taskCount);
    std::vector<double> rowLower(rows, 1.0);
    std::vector<double> rowUpper(rows, rulesOf(model).rowIsEquality ? 1.0 : COIN_DBL_MAX);
    std::vector<CoinBigIndex> starts(rows + 1);
    std::vector<int> rowOf(rows);
    for (std::size_t row = 0; row < rows; ++row) {
        starts[row + 1] = static_cast<CoinBigIndex>(row + 1);
        rowOf[row] = static_cast<int>(row);
    }
    std::vector<double> ones(rows, 1.0);
    std::vector<double> lower(rows, 0.0);
    std::vector<double> upper(rows, COIN_DBL_MAX);
    std::vector<double> costs(rows, startCost);
    lp_->loadProblem(taskCount, taskCount, starts.data(), rowOf.data(), ones.data(), lower.data(), upper.data(),
                     costs.data(), rowLower.data(), rowUpper.data());
}

TMaster::~TMaster() = default;

void TColumnArrays::add(const TKeptColumn& column, double cost) {
    rows.insert(rows.end(), column.tasks.begin(), column.tasks.end());
    starts.push_back(static_cast<int>(rows.size()));
    costs.push_back(cost);
}

void TMaster::addColumns(std::vector<TKeptColumn> columns, bool costFree) {
    if (columns.empty()) return;
    TColumnArrays arrays;
    for (const TKeptColumn& column : columns) arrays.add(column, costFree ? 0.0 : static_cast<double>(column.cost));
    std::vector<double> ones(arrays.rows.size(), 1.0);
    std::vector<double> lower(columns.size(), 0.0);
    // A column is taken at most once; equality rows imply it, cover rows need it.
    std::vector<double> upper(columns.size(), 1.0);
    lp_->addColumns(static_cast<int>(columns.size()), lower.data(), upper.data(), arrays.costs.data(),
                    arrays.starts.data(), arrays.rows.data(), ones.data());
    for (TKeptColumn& column : columns) {
        numbers_.insert(column.number);
        columns_.push_back(std::move(column));
    }
}

TMaster::TOutcome TMaster::solve(double seconds) {
    lp_->setMaximumSeconds(std::max(seconds, 0.01));
    lp_->primal();
    const double* duals = lp_->dualRowSolution();
    duals_.assign(duals, duals + taskCount_);
    switch (lp_->status()) {
        case 0: return TOutcome::optimal;
        case 1: return TOutcome::infeasible;
        default: return TOutcome::stopped;
    }
}

double TMaster::value() const {
    return lp_->objectiveValue();
}

void TMaster::startSecondPhase() {
    for (std::int32_t task = 0; task < taskCount_; ++task) {
        lp_->setObjectiveCoefficient(task, 0.0);
        lp_->setColumnUpper(task, 0.0);
    }
    for (std::size_t column = 0; column < columns_.size(); ++column) {
        lp_->setObjectiveCoefficient(taskCount_ + static_cast<int>(column), static_cast<double>(columns_[column].cost));
    }
}

std::vector<TKeptColumn> priceColumns(TColumnSource& source, const std::vector<double>& duals, double threshold,
                                      std::size_t capacity, bool costFree,
                                      const std::unordered_set<std::int32_t>& inMaster, bool* overflowed) {
    TPricingSink pricing(duals, threshold, capacity, costFree, inMaster);
    source.price(pricing);
    if (overflowed != nullptr) *overflowed = pricing.overflowed();
    return pricing.takeColumns();
}

TLpOutcome solveLinearRelaxation(TMaster& master, TColumnSource& source, std::vector<TKeptColumn> start,
                                 const TLpLimits& limits) {
    // Columns a pass: a few per two rows. More cut the passes a little but grow the master,
    // which slows the LP and the integer search (measured on the standard instance).
    std::size_t perPass = std::max<std::size_t>(50, static_cast<std::size_t>(master.taskCount()) / 2);
    const TModelRules& rules = rulesOf(master.model());
    TLpOutcome outcome;
    bool firstPhase = !rules.slackPerRow;
    master.addColumns(std::move(start), firstPhase);
    auto secondsLeft = [&limits] {
        return std::chrono::duration<double>(limits.deadline - std::chrono::steady_clock::now()).count();
    };
    auto stopHere = [&](int phase) {
        // What the passes so far proved stands; nothing claims convergence.
        outcome.stoppedInFirstPhase = phase == 1;
        outcome.feasible = phase == 2;
        outcome.value = master.value();
        return outcome;
    };
    for (int phase = firstPhase ? 1 : 2; phase <= 2; ++phase) {
        bool costFree = phase == 1;
        std::vector<double> smoothed;  // the duals the last pass of this phase priced with
        while (true) {
            bool outOfTime = secondsLeft() <= 0 || outcome.passes >= kMostPasses;
            TMaster::TOutcome solved = outOfTime ? TMaster::TOutcome::stopped : master.solve(secondsLeft());
            if (solved == TMaster::TOutcome::infeasible) return outcome;
            if (solved == TMaster::TOutcome::stopped) return stopHere(phase);
            const std::vector<double>& masterDuals = master.duals();
            // One pricing pass with duals; none when the deadline cut it short.
            auto pricePass = [&](const std::vector<double>& duals, bool atMasterDuals)
                -> std::optional<std::vector<TKeptColumn>> {
                TPricingSink pricing(duals, -kPricingTolerance, perPass, costFree, master.numbers());
                bool firstPass = outcome.passes == 0;
                if (firstPass) {
                    pricing.gatherShares(rules.slackPerRow ? std::optional<double>(master.startCost()) : std::nullopt);
                }
                try {
                    source.price(pricing);
                } catch (const TColumnSource::EDeadlinePassed&) {
                    return std::nullopt;
                }
                std::vector<TKeptColumn> priced = pricing.takeColumns();
                if (firstPass) outcome.shareBound = pricing.shareBound();
                ++outcome.passes;
                TPricingPass pass;
                pass.pass = outcome.passes;
                pass.phase = phase;
                pass.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - limits.started).count();
                pass.masterObjective = master.value();
                pass.columnsAdded = static_cast<std::int64_t>(priced.size());
                pass.lowestReducedCost = pricing.lowestReducedCost();
                if (phase == 2 && atMasterDuals) {
                    // Any solution costs the master's value plus its outside columns' reduced
                    // costs, and holds at most so many of them. Only the master's own duals
                    // price the master's value so.
                    double taskCount = master.taskCount();
                    std::size_t shortest =
                        std::max<std::size_t>(pricing.shortestColumn() == SIZE_MAX ? 1 : pricing.shortestColumn(), 1);
                    double mostColumns =
                        rules.columnsDisjoint ? std::floor(taskCount / static_cast<double>(shortest)) : taskCount;
                    pass.lagrangianBound = master.value() + mostColumns * std::min(0.0, pass.lowestReducedCost);
                    if (!outcome.lagrangianBound || *pass.lagrangianBound > *outcome.lagrangianBound)
                        outcome.lagrangianBound = pass.lagrangianBound;
                }
                if (limits.onPass) limits.onPass(pass);
                return priced;
            };
            // The duals of successive masters jump about; pricing with a mix of the last
            // duals priced and the master's finds columns that the coming masters keep.
            bool smoothing = !smoothed.empty();
            if (smoothing) {
                for (std::size_t task = 0; task < smoothed.size(); ++task) {
                    smoothed[task] = kSmoothing * smoothed[task] + (1 - kSmoothing) * masterDuals[task];
                }
            } else {
                smoothed = masterDuals;
            }
            std::optional<std::vector<TKeptColumn>> priced = pricePass(smoothed, !smoothing);
            if (!priced) return stopHere(phase);
            if (smoothing && !improvesMaster(*priced, masterDuals, costFree)) {
                // A mispriced pass: only the master's own duals can say whether any column improves it.
                smoothed = masterDuals;
                priced = pricePass(smoothed, true);
                if (!priced) return stopHere(phase);
                smoothing = false;
            }
            if (priced->empty() && !smoothing) break;
            master.addColumns(std::move(*priced), costFree);
        }
        if (phase == 1) {
            // Artificials that cannot leave: no mix of columns covers every task as the rows ask.
            if (master.value() > kFeasibilityTolerance) return outcome;
            master.startSecondPhase();
        }
    }
    outcome.feasible = true;
    outcome.converged = true;
    outcome.value = master.value();
    outcome.duals = master.duals();
    outcome.lagrangianBound = outcome.value;
    return outcome;
}

}  // namespace gerador
