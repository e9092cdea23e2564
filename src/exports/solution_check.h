#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "columns/column_sink.h"
#include "common/model.h"

namespace gerador {

// A solution file as read: the objective it claims and the variables it sets.
struct TClaimedSolution {
    std::optional<double> objective;
    // Names at a value other than 0, with the value. glpsol names columns by position,
    // given here as "#<position>" until the instance's column count is known.
    std::vector<std::pair<std::string, double>> values;
};

// Reads a solution in the MIPLIB format ("=obj= <value>", then "<name> <value>"), as cbc
// -solu writes it ("<status> - objective value <value>", then "<index> <name> <value>
// <cost>") or as glpsol -w writes it ("s mip <rows> <columns> <status> <objective>",
// then "j <position> <value>"). Only decimal values and names as the exports write them
// (C<n>, S<n>, no leading zero) are taken. Reads line by line, a line at most 4096 bytes.
// Throws EConvertError naming the line it cannot read, with a short escaped piece of it.
TClaimedSolution readClaimedSolution(std::istream& input);
TClaimedSolution readClaimedSolution(const std::string& text);

// What the check found.
struct TSolutionVerdict {
    bool feasible = false;
    bool objectiveRight = false;
    std::int64_t recomputed = 0;         // the solution's cost, worked out in integers
    std::int64_t uncoveredCost = 0;      // of each slack (elastic)
    std::vector<std::string> problems;   // each in one Portuguese sentence
};

// Checks a claimed solution against the columns of a run as they stream by: which named
// columns exist, what they cost, which tasks they cover. Keeps only the chosen columns'
// numbers and one count per task.
class TSolutionCheck : public TColumnSink {
public:
    // uncoveredCost: of each slack in the elastic model; none: the default for the run.
    TSolutionCheck(const TClaimedSolution& claimed, TModel model, std::optional<std::int64_t> uncoveredCost);

    void begin(const TColumnRunInfo& run) override;
    void add(const TPricedColumn& column) override;
    void end(std::int32_t columnCount) override;

    // Complete after end().
    const TSolutionVerdict& verdict() const { return verdict_; }

private:
    void noteProblem(std::string problem);

    const TClaimedSolution& claimed_;
    TModel model_;
    std::optional<std::int64_t> uncoveredCost_;
    std::vector<std::int32_t> chosen_;       // column numbers, ascending
    std::vector<std::string> namedColumns_;  // glpsol's positions, resolved at the end
    std::size_t nextChosen_ = 0;
    std::vector<std::int32_t> timesCovered_;  // by task index
    std::int64_t columnCost_ = 0;
    TColumnRange range_;  // of the columns, for the elastic slacks' default cost
    std::int32_t taskCount_ = 0;
    TSolutionVerdict verdict_;
};

}  // namespace gerador
