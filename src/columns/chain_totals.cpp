#include "columns/chain_totals.h"

#include <cassert>
#include <cmath>

#include "common/date_time.h"

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
    // Generated tasks start and end on quarter hours: their durations are whole minutes, to
    // a hair. Checked once here, since tasks may also be made by hand.
    durationsNotWholeMinutes_ = false;
    for (std::size_t task = 0; task < tasks.size(); ++task) {
        double minutes = (tasks[task].end - tasks[task].start) * 1440.0;
        taskMinutes_[task] = std::llround(minutes);
        if (!(std::fabs(minutes - static_cast<double>(taskMinutes_[task])) < 1e-6) || taskMinutes_[task] < 0)
            durationsNotWholeMinutes_ = true;
    }
    spanMinutesByLast_.assign(tasks.size(), TKeptSpan());
}

}  // namespace gerador
