#include "columns/chain_totals.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

#include "common/date_time.h"
#include "tasks/tasks.h"

namespace {

constexpr std::int64_t kSpanNotKept = INT64_MIN;

// "00" to "99", two characters each.
constexpr auto kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int number = 0; number < 100; ++number) {
        pairs[static_cast<std::size_t>(2 * number)] = static_cast<char>('0' + number / 10);
        pairs[static_cast<std::size_t>(2 * number + 1)] = static_cast<char>('0' + number % 10);
    }
    return pairs;
}();

char* appendPair(char* out, unsigned number) {
    std::memcpy(out, &kDigitPairs[2 * number], 2);
    return out + 2;
}

}  // namespace

std::int64_t minutesOf(double duration) {
    assert(std::fabs(duration) < 0x1p40);
    std::uint16_t hour, minute, second, millisecond;
    splitTime(duration, hour, minute, second, millisecond);
    // Whole days by truncation of the raw value, the time of day after rounding: a
    // duration a hair below whole days counts one day less and no hours.
    return static_cast<std::int64_t>(duration) * 1440 + hour * 60 + minute;
}

char* appendNumber(char* out, std::int32_t value) {
    // Fast path for every field of a column line (costs, minutes, task numbers stay below
    // 10000, column numbers below 10^8): a library call per field is a large share of the run.
    if (value >= 10000 && value < 100000000) {
        auto number = static_cast<unsigned>(value);
        out = appendNumber(out, static_cast<std::int32_t>(number / 10000));
        return appendPair(appendPair(out, number % 10000 / 100), number % 100);
    }
    if (value >= 0 && value < 10000) {
        auto number = static_cast<unsigned>(value);
        if (number < 10) {
            *out = static_cast<char>('0' + number);
            return out + 1;
        }
        if (number < 100) return appendPair(out, number);
        if (number < 1000) {
            *out++ = static_cast<char>('0' + number / 100);
            return appendPair(out, number % 100);
        }
        return appendPair(appendPair(out, number / 100), number % 100);
    }
    return std::to_chars(out, out + kLongestNumber, value).ptr;
}

void TChainTotals::reset() {
    tasks_ = nullptr;
    length_ = 0;
    spanFirstTask_ = -1;
}

void TChainTotals::prepare(const std::vector<TTarefa>& tasks) {
    reset();
    tasks_ = &tasks;
    taskNumberTexts_.resize(tasks.size());
    for (std::size_t task = 0; task < tasks.size(); ++task) {
        TTaskNumberText& number = taskNumberTexts_[task];
        number.text[0] = ' ';
        number.length = static_cast<std::size_t>(appendNumber(number.text + 1, static_cast<std::int32_t>(task + 1)) -
                                                 number.text);
    }
    // A chain holds each task at most once, as its indices rise.
    positions_.resize(tasks.size());
    taskNumbers_.resize(tasks.size() * sizeof(TTaskNumberText::text));
    spanMinutesByLast_.resize(tasks.size());
}

std::size_t TChainTotals::update(const std::vector<TTarefa>& tasks, const std::vector<std::int32_t>& chain) {
    if (tasks_ != &tasks) prepare(tasks);
    assert(!chain.empty() && chain.size() <= positions_.size());
    std::size_t shared = 0;
    while (shared < length_ && shared < chain.size() && positions_[shared].task == chain[shared]) ++shared;

    for (std::size_t position = shared; position < chain.size(); ++position) {
        std::int32_t task = chain[position];
        assert(task >= 0 && static_cast<std::size_t>(task) < tasks.size());
        const TTarefa& record = tasks[static_cast<std::size_t>(task)];
        const TTaskNumberText& number = taskNumberTexts_[static_cast<std::size_t>(task)];
        TPosition& current = positions_[position];
        current.task = task;
        if (position == 0) {
            current.taskCosts = record.cost;
            current.workDays = 0.0 + (record.end - record.start);
            current.taskNumbersEnd = 0;
        } else {
            const TPosition& previous = positions_[position - 1];
            current.taskCosts = previous.taskCosts + record.cost;
            current.workDays = previous.workDays + (record.end - record.start);
            current.taskNumbersEnd = previous.taskNumbersEnd;
        }
        std::memcpy(taskNumbers_.data() + current.taskNumbersEnd, number.text, sizeof number.text);
        current.taskNumbersEnd += number.length;
    }
    length_ = chain.size();
    workMinutes_ = minutesOf(positions_[length_ - 1].workDays);

    if (chain.front() != spanFirstTask_) {
        spanFirstTask_ = chain.front();
        std::fill(spanMinutesByLast_.begin(), spanMinutesByLast_.end(), kSpanNotKept);
    }
    std::int64_t& span = spanMinutesByLast_[static_cast<std::size_t>(chain.back())];
    if (span == kSpanNotKept) {
        span = minutesOf(tasks[static_cast<std::size_t>(chain.back())].end -
                         tasks[static_cast<std::size_t>(chain.front())].start);
    }
    spanMinutes_ = span;
    return shared;
}
