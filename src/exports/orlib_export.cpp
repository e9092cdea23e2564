// Writes the OR-Library set-partitioning layout:
// - line 1: the number of rows (tasks), then the number of columns in a 10-character
//   field that holds blanks until the run ends and the count is written over it;
// - then one line per column: its cost, its number of tasks and the task numbers
//   (index + 1) in chain order.
#include "exports/orlib_export.h"

namespace gerador {

namespace {

constexpr std::size_t kOrlibBuffer = 1 << 20;

}  // namespace

void TOrlibExport::begin(const TColumnRunInfo& run) {
    createFile(kOrlibBuffer, TOutputFile::TWriting::inBackground);
    taskNumbers_.prepare(run.taskCount);
    writeCountHeader(std::to_string(run.taskCount) + " ", run);
    file().write("\n");
}

void TOrlibExport::add(const TPricedColumn& column) {
    std::string_view taskNumbers = taskNumbers_.update(column);
    char* start = file().room(columnLineBound(taskNumbers.size()));
    char* out = appendNumber(start, column.cost);
    *out++ = ' ';
    out = appendNumber(out, static_cast<std::int32_t>(column.tasks->size()));
    out = appendTaskNumbers(out, taskNumbers);
    *out++ = '\n';
    file().wrote(static_cast<std::size_t>(out - start));
}

void TOrlibExport::end(std::int32_t columnCount) {
    endWithCount(columnCount);
}

}  // namespace gerador
