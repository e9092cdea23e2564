// Writes "150_3304438.txt":
// - line 1: the number of tasks;
// - line 2: the number of columns, in a 10-character field that holds blanks until the
//   run ends and the count is written over its first characters;
// - line 3: the number of depots, then each depot's number and weight ("%f");
// - then one line per column: its number, cost, depot, work minutes, number of tasks
//   and the task numbers (index + 1) in chain order.
#include "columns/column_file.h"

#include <cstdio>

#include "common/point_numbers.h"

namespace gerador {

namespace {

constexpr std::size_t kColumnFileBuffer = 1 << 20;

// The lines of the column file, made on a search thread.
class TColumnLineFormatter : public TColumnTextFormatter {
public:
    explicit TColumnLineFormatter(std::int32_t taskCount) { taskNumbers_.prepare(taskCount); }
    void append(const TPricedColumn& column, std::string& text) override {
        std::string_view taskNumbers = taskNumbers_.update(column);
        std::size_t at = text.size();
        text.resize(at + columnLineBound(taskNumbers.size()));
        char* end = appendColumnLine(text.data() + at, columnNumber_.update(column.number), column, taskNumbers);
        text.resize(static_cast<std::size_t>(end - text.data()));
    }

private:
    TTaskNumberText taskNumbers_;
    TColumnNumberText columnNumber_;
};

}  // namespace

void TColumnFileSink::begin(const TColumnRunInfo& run) {
    createFile(kColumnFileBuffer, TOutputFile::TWriting::inBackground);
    taskNumbers_.prepare(run.taskCount);
    taskCount_ = run.taskCount;
    writeCountHeader(std::to_string(run.taskCount) + "\n", run);
    std::string depots = "\n" + std::to_string(run.depotWeights.size());
    TPointNumbers pointNumbers;
    for (std::size_t depot = 0; depot < run.depotWeights.size(); ++depot) {
        char field[64];
        std::snprintf(field, sizeof field, " %zu %f", depot + 1, run.depotWeights[depot]);
        depots += field;
    }
    file().write(depots + "\n");
}

void TColumnFileSink::add(const TPricedColumn& column) {
    std::string_view taskNumbers = taskNumbers_.update(column);
    char* line = file().room(columnLineBound(taskNumbers.size()));
    char* end = appendColumnLine(line, columnNumber_.update(column.number), column, taskNumbers);
    file().wrote(static_cast<std::size_t>(end - line));
}

std::unique_ptr<TColumnTextFormatter> TColumnFileSink::textFormatter() const {
    return std::make_unique<TColumnLineFormatter>(taskCount_);
}

void TColumnFileSink::addText(std::string_view text) {
    file().write(text);
}

void TColumnFileSink::end(std::int32_t columnCount) {
    endWithCount(columnCount);
}

}  // namespace gerador
