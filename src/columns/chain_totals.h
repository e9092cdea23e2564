#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tasks/tasks.h"

namespace gerador {

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
        double workDays;            // sum up to and including this position
        std::int64_t exactMinutes;  // the same sum in whole minutes, exactly
    };

    void prepare(const std::vector<TTarefa>& tasks);

    const std::vector<TTarefa>* tasks_ = nullptr;
    std::vector<std::int64_t> taskMinutes_;  // by task: end - start in whole minutes
    // Some task's duration is not whole minutes (tasks made by hand), so sums of them take
    // the slow, exact path of minutesOf.
    bool durationsNotWholeMinutes_ = false;
    std::vector<TPosition> positions_;  // the first length_ describe the chain
    std::size_t length_ = 0;
    std::int64_t workMinutes_ = 0;
    std::int64_t spanMinutes_ = 0;
    // By last task: span minutes from the first task it was worked out for; an entry for
    // another first task is stale, so a new first task costs nothing to start.
    struct TKeptSpan {
        std::int32_t firstTask = -1;
        std::int64_t minutes = 0;
    };
    std::vector<TKeptSpan> spanMinutesByLast_;
};

// Minutes of a duration: its truncated whole days and the hours and minutes of its time
// of day, each on its own; seconds are dropped. Requires: |duration| below 2^40 days.
std::int64_t minutesOf(double duration);

// minutesOf(workDays) for a sum of durations that are whole numbers of minutes, given
// the sum's exact minutes: the sum lies within a hair of them, so only a whole number of
// days, a hair below which counts a day less, needs the double.
// Requires: exactMinutes the minutes workDays stands for, not negative.
std::int64_t minutesOfSum(double workDays, std::int64_t exactMinutes);

// Here, not in the .cpp: the column run's hot loops (one thread and several) inline it, and
// a call cost 5 % more instructions on the standard run.
inline std::size_t TChainTotals::update(const std::vector<TTarefa>& tasks, const std::vector<std::int32_t>& chain,
                                        std::size_t unchanged) {
    if (tasks_ != &tasks) prepare(tasks);
    assert(!chain.empty() && chain.size() <= positions_.size());
    std::size_t shared = 0;
    if (unchanged == kUnknownShared) {
        while (shared < length_ && shared < chain.size() && positions_[shared].task == chain[shared]) ++shared;
    } else {
        shared = std::min({unchanged, length_, chain.size()});
#ifndef NDEBUG
        for (std::size_t position = 0; position < shared; ++position)
            assert(positions_[position].task == chain[position]);
#endif
    }

    for (std::size_t position = shared; position < chain.size(); ++position) {
        std::int32_t task = chain[position];
        assert(task >= 0 && static_cast<std::size_t>(task) < tasks.size());
        const TTarefa& record = tasks[static_cast<std::size_t>(task)];
        TPosition& current = positions_[position];
        current.task = task;
        if (position == 0) {
            current.taskCosts = record.cost;
            current.workDays = 0.0 + (record.end - record.start);
            current.exactMinutes = taskMinutes_[static_cast<std::size_t>(task)];
        } else {
            const TPosition& previous = positions_[position - 1];
            current.taskCosts = previous.taskCosts + record.cost;
            current.workDays = previous.workDays + (record.end - record.start);
            current.exactMinutes = previous.exactMinutes + taskMinutes_[static_cast<std::size_t>(task)];
        }
    }
    length_ = chain.size();
    const TPosition& last = positions_[length_ - 1];
    workMinutes_ = durationsNotWholeMinutes_ ? minutesOf(last.workDays)
                                             : minutesOfSum(last.workDays, last.exactMinutes);
    assert(workMinutes_ == minutesOf(last.workDays));

    TKeptSpan& span = spanMinutesByLast_[static_cast<std::size_t>(chain.back())];
    if (span.firstTask != chain.front()) {
        span.firstTask = chain.front();
        span.minutes = minutesOf(tasks[static_cast<std::size_t>(chain.back())].end -
                                 tasks[static_cast<std::size_t>(chain.front())].start);
    }
    spanMinutes_ = span.minutes;
    return shared;
}

}  // namespace gerador
