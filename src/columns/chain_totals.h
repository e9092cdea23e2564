#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gerador {

struct TTarefa;

// What a column's price needs of its chain, kept from one column to the next: the sum
// of its task costs and its work and span minutes. Consecutive columns of a search share
// most of their chain, so only the tasks after the shared part are added, and span
// minutes are kept per first and last task; the column run's hot loop needs that.
class TChainTotals {
public:
    // Forgets everything kept; needed whenever the tasks may have changed.
    void reset();
    // Brings the totals to chain, reusing the part it shares with the previous one, and
    // returns the first position it had to add (the length of that shared part). A caller
    // that knows how many leading tasks are unchanged passes it as unchanged, which saves
    // the comparison; any smaller count is correct too, only slower.
    // Requires: chain not empty, every index of chain a position of tasks.
    std::size_t update(const std::vector<TTarefa>& tasks, const std::vector<std::int32_t>& chain,
                       std::size_t unchanged = kUnknownShared);
    static constexpr std::size_t kUnknownShared = SIZE_MAX;

    std::int64_t taskCosts() const { return positions_[length_ - 1].taskCosts; }
    // Minutes of the sum of end - start of the tasks, added in chain order from 0.0.
    std::int64_t workMinutes() const { return workMinutes_; }
    // Minutes from the start of the first task to the end of the last.
    std::int64_t spanMinutes() const { return spanMinutes_; }

private:
    struct TPosition {
        std::int32_t task;
        std::int64_t taskCosts;      // sum up to and including this position
        double workDays;  // sum up to and including this position
    };

    void prepare(const std::vector<TTarefa>& tasks);

    const std::vector<TTarefa>* tasks_ = nullptr;
    std::vector<TPosition> positions_;  // the first length_ describe the chain
    std::size_t length_ = 0;
    std::int64_t workMinutes_ = 0;
    std::int64_t spanMinutes_ = 0;
    std::int32_t spanFirstTask_ = -1;              // first task of the kept span minutes
    std::vector<std::int64_t> spanMinutesByLast_;  // from spanFirstTask_, by last task
};

// Minutes of a duration: its truncated whole days and the hours and minutes of its time
// of day, each on its own; seconds are dropped. Requires: |duration| below 2^40 days.
std::int64_t minutesOf(double duration);

}  // namespace gerador
