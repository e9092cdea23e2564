#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/run_files.h"
#include "report/instance_summary.h"

namespace gerador {

// The planted duties of a run and the columns that hold them.
struct TPlantedResult {
    std::vector<std::vector<std::int32_t>> duties;  // task indices of each duty, in chain order
    std::vector<std::int32_t> columns;              // the column number of each duty
    std::int64_t cost = 0;                          // of those columns together
};

// What a run produced, for what is written after its columns (the report, the picture,
// the solution): the facts of the instance and the files written so far.
struct TRunResult {
    TInstanceFacts instance;  // gathered when the report or the picture asks for them
    std::optional<TPlantedResult> planted;
    std::optional<std::int64_t> uncoveredCost;  // of the elastic model's slacks, when written
    std::vector<TWrittenFile> files;            // final names and sizes, in the order they were written
    std::chrono::steady_clock::time_point started;
};

// Whether the instance has an exact partition, in one Portuguese sentence: the planted
// one, or the verdict of the partition check.
std::string partitionText(const TRunResult& result);

// The lines printed after the closing lines of the column run with a report.
std::string consoleSummary(const TRunResult& result);

}  // namespace gerador
