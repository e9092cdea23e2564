// Writes the instance as free MPS:
// - "NAME gerador FREE": the word FREE makes readers that guess between fixed and free
//   columns read every line as free;
// - ROWS: the objective "CUSTO", then one row "T<n>" per task n, "E" (exactly once) for
//   the partition and elastic models, "G" (at least once) for the cover model;
// - COLUMNS, between integer markers: column "C<n>" per column n, with its cost in CUSTO
//   and a 1 in the row of each of its tasks, at most two entries a line; in the elastic
//   model then, after the markers, a slack "S<n>" per task n with the uncovered cost and a
//   1 in its row;
// - RHS: 1 for every task row;
// - BOUNDS, cover model only: an upper bound of 1 for every column ("UP BND C<n> 1"),
//   which equality rows already imply;
// - ENDATA.
#include "exports/mps_export.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace gerador {

namespace {

constexpr std::size_t kMpsBuffer = 1 << 20;
constexpr std::size_t kEntriesPerLine = 2;

}  // namespace

void TMpsExport::begin(const TColumnRunInfo& run) {
    TOutputFile& out = createFile(kMpsBuffer, TOutputFile::TWriting::inBackground);
    rowEntries_.resize(static_cast<std::size_t>(std::max(run.taskCount, 0)));
    const char* rowType = rulesOf(model_).rowIsEquality ? " E T" : " G T";
    std::string rows = "NAME gerador FREE\nROWS\n N CUSTO\n";
    for (std::size_t task = 0; task < rowEntries_.size(); ++task) {
        std::string number = std::to_string(task + 1);
        rows += rowType + number + "\n";
        TRowEntry& entry = rowEntries_[task];
        std::string text = " T" + number + " 1";
        std::memcpy(entry.text, text.c_str(), text.size());
        entry.length = text.size();
    }
    out.write(rows + "COLUMNS\n INTSTART 'MARKER' 'INTORG'\n");
}

void TMpsExport::add(const TPricedColumn& column) {
    const std::vector<std::int32_t>& chain = *column.tasks;
    if (rulesOf(model_).slackPerRow) range_.note(column.cost, chain.size());
    std::string_view name = columnNumber_.update(column.number);
    // Per line: blank, "C", the name, the cost entry, two row entries and the line end.
    std::size_t lineBound = 2 + kLongestNumber + (kLongestNumber + 7) + kEntriesPerLine * sizeof(TRowEntry::text) + 1;
    char* start = file().room(lineBound * (chain.size() / kEntriesPerLine + 1));
    char* out = start;
    auto beginLine = [&out, name] {
        *out++ = ' ';
        *out++ = 'C';
        std::memcpy(out, name.data(), kLongestNumber);
        out += name.size();
    };
    beginLine();
    std::memcpy(out, " CUSTO ", 7);
    out = appendNumber(out + 7, column.cost);
    // The cost shares the first line with one entry; later lines hold two.
    std::size_t onLine = 1;
    for (std::int32_t task : chain) {
        assert(task >= 0 && static_cast<std::size_t>(task) < rowEntries_.size());
        if (onLine == kEntriesPerLine) {
            *out++ = '\n';
            beginLine();
            onLine = 0;
        }
        const TRowEntry& entry = rowEntries_[static_cast<std::size_t>(task)];
        std::memcpy(out, entry.text, sizeof entry.text);
        out += entry.length;
        ++onLine;
    }
    *out++ = '\n';
    file().wrote(static_cast<std::size_t>(out - start));
}

void TMpsExport::end(std::int32_t columnCount) {
    TOutputFile& out = file();
    out.write(" INTEND 'MARKER' 'INTEND'\n");
    if (rulesOf(model_).slackPerRow) {
        if (!uncoveredCost_) uncoveredCost_ = range_.uncoveredCost(static_cast<std::int64_t>(rowEntries_.size()));
        std::string cost = " CUSTO " + std::to_string(*uncoveredCost_);
        for (std::size_t task = 1; task <= rowEntries_.size(); ++task) {
            std::string number = std::to_string(task);
            out.write(" S" + number + cost + " T" + number + " 1\n");
        }
    }
    out.write("RHS\n");
    for (std::size_t task = 1; task <= rowEntries_.size(); ++task) out.write(" RHS T" + std::to_string(task) + " 1\n");
    if (rulesOf(model_).columnUpperBound) {
        out.write("BOUNDS\n");
        TColumnNumberText name;
        for (std::int32_t number = 1; number <= columnCount; ++number) {
            std::string_view digits = name.update(number);
            char* line = out.room(kLongestNumber + 16);
            std::memcpy(line, " UP BND C", 9);
            std::memcpy(line + 9, digits.data(), kLongestNumber);
            std::memcpy(line + 9 + digits.size(), " 1\n", 3);
            out.wrote(9 + digits.size() + 3);
        }
    }
    out.write("ENDATA\n");
    out.finish();
}

}  // namespace gerador
