// Writes "150_3304438.txt":
// - line 1: the number of tasks;
// - line 2: the number of columns, in a 10-character field that holds blanks until the
//   run ends and the count is written over its first characters;
// - line 3: the number of depots, then each depot's number and weight ("%f");
// - then one line per column: its number, cost, depot, work minutes, number of tasks
//   and the task numbers (index + 1) in chain order.
#include "columns/columns.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstdio>

#include "common/console.h"
#include "common/exceptions.h"
#include "tasks/tasks.h"

namespace {

constexpr const char* kCountPlaceholder = "          ";  // any 32-bit count fits in 10 characters
constexpr std::int32_t kColumnCharge = 800;             // fixed cost of every column
constexpr std::size_t kColumnFileBuffer = 1 << 20;

// Refuses the run when a column's value does not fit its 32-bit field of the file.
void requireFieldFits(std::int32_t column, const char* field, std::int64_t value) {
    if (value < INT32_MIN || value > INT32_MAX) {
        throw EParameterError("a coluna " + std::to_string(column) + " tem " + field + " " + std::to_string(value) +
                              ", que não cabe em 32 bits");
    }
}

}  // namespace

void TColunas::startCoverage() {
    uncoveredTasks.fill(taskGenerator->count);
    columnTotals_.reset();
}

void TColunas::openColumnFile() {
    assert(taskGenerator != nullptr);
    outFile = std::make_unique<TOutputFile>(fileName, kColumnFileBuffer);
    std::int32_t depotCount = taskGenerator->depotCount;
    std::string header = std::to_string(taskGenerator->count) + "\n" + kCountPlaceholder + "\n" +
                         std::to_string(depotCount);
    for (std::int32_t depot = 0; depot < depotCount; ++depot) {
        // The first depot weighs 0.4 and the others share 0.6; one depot never divides.
        double weight = depot == 0 ? 0.4 : 0.6 / (depotCount - 1);
        char field[64];
        std::snprintf(field, sizeof field, " %d %f", depot + 1, weight);
        header += field;
    }
    header += "\n";
    outFile->write(header);
}

void TColunas::writeColumn(std::int32_t depot, std::int32_t& columnCounter, const std::vector<std::int32_t>& chain,
                           bool writeFile, bool echoThis) {
    assert(taskGenerator != nullptr && !chain.empty());
    assert(!writeFile || outFile != nullptr);
    if (columnCounter == INT32_MAX) {
        throw EParameterError("mais de " + std::to_string(INT32_MAX) +
                              " colunas: o número não cabe no campo de 10 caracteres do cabeçalho");
    }
    ++columnCounter;
    std::size_t firstNewPosition = columnTotals_.update(taskGenerator->tasks, chain);
    std::int64_t workMinutes = columnTotals_.workMinutes();
    std::int64_t idleMinutes = columnTotals_.spanMinutes() - workMinutes;
    // One unit for each full 100 idle minutes: truncating idle × 0.01 in double gives
    // exactly idle / 100 for every idle time below 2^40 minutes, negative ones included.
    std::int64_t cost = columnTotals_.taskCosts() + idleMinutes / 100 + kColumnCharge;
    requireFieldFits(columnCounter, "custo", cost);
    requireFieldFits(columnCounter, "minutos trabalhados", workMinutes);
#ifndef NDEBUG
    for (std::size_t position = 0; position < firstNewPosition; ++position) {
        assert(!uncoveredTasks.contains(chain[position]));
    }
#endif

    std::string_view taskNumbers = columnTotals_.taskNumbers();
    // The number fields, the task numbers, the line end and the echo's empty line.
    std::size_t longestLine = 5 * (kLongestNumber + 1) + taskNumbers.size() + 2;
    char* line = nullptr;
    if (writeFile) {
        line = outFile->room(longestLine);
    } else {
        if (line_.size() < longestLine) line_.resize(longestLine);
        line = line_.data();
    }
    char* out = appendNumber(line, columnCounter);
    for (std::int32_t field : {static_cast<std::int32_t>(cost), depot, static_cast<std::int32_t>(workMinutes),
                               static_cast<std::int32_t>(chain.size())}) {
        *out++ = ' ';
        out = appendNumber(out, field);
    }
    out = std::copy(taskNumbers.begin(), taskNumbers.end(), out);
    *out++ = '\n';
    // The shared part's tasks left the pool with the column that was kept.
    for (std::size_t position = firstNewPosition; position < chain.size(); ++position) {
        uncoveredTasks.remove(chain[position]);
    }
    auto length = static_cast<std::size_t>(out - line);
    if (echoThis) {
        // An echoed column is followed by an empty line.
        *out = '\n';
        printText({line, length + 1});
    }
    if (writeFile) outFile->wrote(length);
}

void TColunas::closeColumnFile(std::int32_t columnCounter, bool writeFile, bool echo) {
    if (echo) printText("\n");
    if (writeFile) {
        assert(outFile != nullptr);
        // Line 1 gets its own digits again; the count's digits land on the blank field.
        outFile->rewind();
        outFile->write(std::to_string(taskGenerator->count) + "\n" + std::to_string(columnCounter));
        commitAfterConsole(*outFile);
        outFile.reset();
    }
    printClosingLines(columnCounter, "colunas");
}
