#include "columns/chain_totals.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cmath>

#include "common/date_time.h"
#include "tasks/tasks.h"

namespace gerador {

std::int64_t minutesOf(double duration) {
    assert(std::fabs(duration) < 0x1p40);
    std::uint16_t hour, minute, second, millisecond;
    splitTime(duration, hour, minute, second, millisecond);
    // Whole days by truncation of the raw value, the time of day after rounding: a
    // duration a hair below whole days counts one day less and no hours.
    return static_cast<std::int64_t>(duration) * 1440 + hour * 60 + minute;
}

std::int64_t minutesOfSum(double workDays, std::int64_t exactMinutes) {
    constexpr std::int64_t kDay = 1440;
    if (exactMinutes % kDay != 0) return exactMinutes;
    return workDays < static_cast<double>(exactMinutes / kDay) ? exactMinutes - kDay : exactMinutes;
}

void TChainTotals::reset() {
    tasks_ = nullptr;
    length_ = 0;
}

void TChainTotals::prepare(const std::vector<TTarefa>& tasks) {
    reset();
    tasks_ = &tasks;
    // A chain holds each task at most once, as its indices rise.
    positions_.resize(tasks.size());
    taskMinutes_.resize(tasks.size());
    // Tasks start and end on quarter hours: their durations are whole minutes, to a hair.
    for (std::size_t task = 0; task < tasks.size(); ++task) {
        taskMinutes_[task] = std::llround((tasks[task].end - tasks[task].start) * 1440.0);
    }
    spanMinutesByLast_.assign(tasks.size(), TKeptSpan());
}

std::size_t TChainTotals::update(const std::vector<TTarefa>& tasks, const std::vector<std::int32_t>& chain,
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
    workMinutes_ = minutesOfSum(last.workDays, last.exactMinutes);
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
