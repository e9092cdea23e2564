#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TTarefa;

// What a column's price and line need of its chain, kept from one column to the next:
// the sum of its task costs, its work and span minutes, and the text of its task numbers
// (" 5 18 33"). Consecutive columns of a search share most of their chain, so only the
// tasks after the shared part are added, and span minutes are kept per first and last
// task; the column file's hot loop needs that.
class TChainTotals {
public:
    // Forgets everything kept; needed whenever the tasks may have changed.
    void reset();
    // Brings the totals to chain, reusing the part it shares with the previous one, and
    // returns the first position it had to add (the length of that shared part).
    // Requires: chain not empty, every index of chain a position of tasks.
    std::size_t update(const std::vector<TTarefa>& tasks, const std::vector<std::int32_t>& chain);

    std::int64_t taskCosts() const { return positions_[length_ - 1].taskCosts; }
    // Minutes of the sum of end - start of the tasks, added in chain order from 0.0.
    std::int64_t workMinutes() const { return workMinutes_; }
    // Minutes from the start of the first task to the end of the last.
    std::int64_t spanMinutes() const { return spanMinutes_; }
    std::string_view taskNumbers() const { return {taskNumbers_.data(), positions_[length_ - 1].taskNumbersEnd}; }

private:
    struct TPosition {
        std::int32_t task;
        std::int64_t taskCosts;      // sum up to and including this position
        double workDays;             // sum up to and including this position
        std::size_t taskNumbersEnd;  // end of this task's number in taskNumbers_
    };
    // " <index + 1>" of a task, copied whole and cut to its length.
    struct TTaskNumberText {
        char text[12];
        std::size_t length;
    };

    void prepare(const std::vector<TTarefa>& tasks);

    const std::vector<TTarefa>* tasks_ = nullptr;
    std::vector<TTaskNumberText> taskNumberTexts_;  // by task index
    std::vector<TPosition> positions_;              // the first length_ describe the chain
    std::size_t length_ = 0;
    std::string taskNumbers_;
    std::int64_t workMinutes_ = 0;
    std::int64_t spanMinutes_ = 0;
    std::int32_t spanFirstTask_ = -1;              // first task of the kept span minutes
    std::vector<std::int64_t> spanMinutesByLast_;  // from spanFirstTask_, by last task
};

// Minutes of a duration: its truncated whole days and the hours and minutes of its time
// of day, each on its own; seconds are dropped. Requires: |duration| below 2^40 days.
std::int64_t minutesOf(double duration);

// Characters of the longest 32-bit number, "-2147483648".
inline constexpr std::size_t kLongestNumber = 11;

// Writes value in decimal at out and returns the end; at most kLongestNumber characters.
char* appendNumber(char* out, std::int32_t value);
