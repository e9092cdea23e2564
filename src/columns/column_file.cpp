// Writes "150_3304438.txt":
// - line 1: the number of tasks;
// - line 2: the number of columns, in a 10-character field that holds blanks until the
//   run ends and the count is written over its first characters;
// - line 3: the number of depots, then each depot's number and weight ("%f");
// - then one line per column: its number, cost, depot, work minutes, number of tasks
//   and the task numbers (index + 1) in chain order.
#include "columns/columns.h"

#include <cassert>
#include <charconv>
#include <cstdio>

#include "common/console.h"
#include "tasks/tasks.h"

namespace {

constexpr const char* kCountPlaceholder = "          ";  // any 32-bit count fits in 10 characters
constexpr std::int32_t kColumnCharge = 800;             // fixed cost of every column
constexpr std::size_t kNumberWidth = 11;                 // "-2147483648"
constexpr std::size_t kColumnFileBuffer = 1 << 20;

char* appendNumber(char* out, std::int32_t value) {
    return std::to_chars(out, out + kNumberWidth, value).ptr;
}

}  // namespace

std::int32_t minutesOf(double duration) {
    std::uint16_t hour, minute, second, millisecond;
    splitTime(duration, hour, minute, second, millisecond);
    // Whole days by truncation of the raw value, the time of day after rounding: a
    // duration a hair below whole days counts one day less and no hours.
    return static_cast<std::int32_t>(duration) * 1440 + hour * 60 + minute;
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
    const std::vector<TTarefa>& tasks = taskGenerator->tasks;
    double spanDays = tasks[static_cast<std::size_t>(chain.back())].end -
                      tasks[static_cast<std::size_t>(chain.front())].start;
    ++columnCounter;

    std::int64_t taskCosts = 0;
    double workDays = 0.0;
    for (std::int32_t task : chain) {
        const TTarefa& record = tasks[static_cast<std::size_t>(task)];
        taskCosts += record.cost;
        workDays += record.end - record.start;
    }
    std::int32_t workMinutes = minutesOf(workDays);
    std::int32_t idleMinutes = minutesOf(spanDays) - workMinutes;
    // One unit for each full 100 idle minutes.
    auto cost = static_cast<std::int32_t>(taskCosts + static_cast<std::int32_t>(idleMinutes * 0.01) + kColumnCharge);

    std::size_t longestLine = (5 + chain.size()) * (kNumberWidth + 1) + 2;
    if (line_.size() < longestLine) line_.resize(longestLine);
    char* out = line_.data();
    for (std::int32_t field : {columnCounter, cost, depot, workMinutes, static_cast<std::int32_t>(chain.size())}) {
        if (out != line_.data()) *out++ = ' ';
        out = appendNumber(out, field);
    }
    for (std::int32_t task : chain) {
        *out++ = ' ';
        out = appendNumber(out, task + 1);
        uncoveredTasks.remove(task);
    }
    *out++ = '\n';
    auto length = static_cast<std::size_t>(out - line_.data());
    if (writeFile) outFile->write({line_.data(), length});
    if (echoThis) {
        // An echoed column is followed by an empty line.
        *out = '\n';
        printText({line_.data(), length + 1});
    }
}

void TColunas::closeColumnFile(std::int32_t columnCounter, bool writeFile, bool echo) {
    if (writeFile) {
        assert(outFile != nullptr);
        // Line 1 gets its own digits again; the count's digits land on the blank field.
        outFile->rewind();
        outFile->write(std::to_string(taskGenerator->count) + "\n" + std::to_string(columnCounter));
        outFile->commit();
        outFile.reset();
    }
    if (echo) printText("\n");
    printClosingLines(columnCounter, "colunas");
}
