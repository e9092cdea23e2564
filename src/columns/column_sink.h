#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gerador {

struct TTarefa;

// What every output of a column run learns before the first column.
struct TColumnRunInfo {
    std::int32_t taskCount = 0;
    std::vector<double> depotWeights;             // depot d + 1 weighs depotWeights[d]
    const std::vector<TTarefa>* tasks = nullptr;  // the first taskCount are the run's, in task order
    // The number of columns the run will write, when a counting pass found it first: lets
    // a file whose header holds the count be written without going back (a pipe).
    std::optional<std::int32_t> knownColumnCount;
};

// One written column, priced and numbered.
struct TPricedColumn {
    std::int32_t number = 0;  // 1 for the first column of the run, then consecutive
    std::int32_t cost = 0;
    std::int32_t depot = 0;
    std::int32_t workMinutes = 0;
    std::int32_t phase = 1;  // 1: searched from a start task; 2: from a task still uncovered
    const std::vector<std::int32_t>* tasks = nullptr;  // task indices in chain order, never empty
    // Leading tasks equal to those of the column numbered number - 1. Read it only
    // through TPreviousColumn, which knows whether that column is the one a consumer saw.
    std::size_t sharedTasks = 0;
};

// The one place that decides what a consumer keeping state from column to column (a
// text of task numbers, pair counts) may reuse: the leading tasks shared with the column
// before, when that is the column it saw last; nothing otherwise. A consumer that skips
// columns, or sees them from another producer, thus never reuses what is not its own.
class TPreviousColumn {
public:
    // Leading tasks of column that equal those of the column seen last.
    std::size_t sharedWith(const TPricedColumn& column) {
        std::size_t shared = column.number == lastNumber_ + 1 ? column.sharedTasks : 0;
        lastNumber_ = column.number;
        return shared;
    }
    // Nothing seen yet.
    void forget() { lastNumber_ = kNone; }

private:
    static constexpr std::int64_t kNone = -2;
    std::int64_t lastNumber_ = kNone;
};

// Makes a sink's text of columns on a search thread of its own, so that a run on several
// threads formats in parallel. Each block of columns it sees is consecutive in number and
// starts with a column that shares no tasks with the one before.
class TColumnTextFormatter {
public:
    virtual ~TColumnTextFormatter() = default;
    // Appends column's text (possibly none) to text.
    virtual void append(const TPricedColumn& column, std::string& text) = 0;
};

// An output the column run feeds: begin, one add per column in order, end with the
// count. Files a sink writes belong to the run's commit (TRunFiles), not to the sink.
class TColumnSink {
public:
    virtual ~TColumnSink() = default;

    // Throws EFileError when the output cannot be created.
    virtual void begin(const TColumnRunInfo& run) = 0;
    virtual void add(const TPricedColumn& column) = 0;
    // Writes what is left; every write failure of the sink happens here at the latest.
    virtual void end(std::int32_t columnCount) = 0;
    // Whether the sink needs TColumnRunInfo::knownColumnCount: a count in its header
    // that it cannot write at the end.
    virtual bool needsCountFirst() const { return false; }
    // A sink whose work on a column is only its text may offer a formatter (after begin);
    // a run that uses it hands the text, in column order, to addText instead of each
    // column to add. Null: the sink takes every column through add.
    virtual std::unique_ptr<TColumnTextFormatter> textFormatter() const { return nullptr; }
    virtual void addText(std::string_view) {}
};

}  // namespace gerador
