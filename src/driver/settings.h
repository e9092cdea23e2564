#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/date_time.h"
#include "common/messages.h"
#include "common/model.h"

namespace gerador {

// Every setting of a run. Each one is named, read, shown, reported and handed to its
// generator by one row of the setting table (setting_table.h); a default-made value
// holds the table's defaults, which are the standard run's.
// Part index of count of a series: the instances k with k ≡ index (mod count).
struct TShard {
    std::int32_t index = 0;
    std::int32_t count = 0;
    bool holds(std::int32_t instance) const { return count == 0 || instance % count == index % count; }
};

struct TSettings {
    TSettings();

    // Trips.
    std::int32_t locationCount{};
    std::int32_t minDistance{};
    std::int32_t maxDistance{};  // exclusive
    double costFactor{};
    std::uint32_t tripSeed{};
    bool tripWriteFile{};
    bool tripEcho{};
    // Tasks.
    std::int32_t count{};
    std::int32_t depotCount{};
    std::int32_t extraCostMin{};
    std::int32_t extraCostMax{};  // exclusive
    std::uint32_t taskSeed{};
    bool plant{};  // tasks drawn as crew duties that partition them
    TDateTime windowStart;
    TDateTime windowEnd;
    TDateTime minDuration;
    TDateTime maxDuration;
    bool taskWriteFile{};
    bool taskEcho{};
    // Columns.
    std::int32_t minTasks{};
    std::int32_t maxTasks{};
    std::int32_t acceptPercent{};
    std::uint32_t columnSeed{};
    bool columnWriteFile{};
    std::string columnFileName;
    bool columnEcho{};
    std::int32_t maxColumns{};  // the run stops before it would write more
    std::int32_t threads{};     // of the column search; 0: every core
    // Exports of the columns; an empty name writes none.
    std::string mpsFileName;
    TModel model{};  // of the MPS rows
    std::optional<std::int64_t> uncoveredCost;  // of a slack in the elastic model; none: computed
    std::string orlibFileName;
    std::string solutionFileName;  // a solution in the MIPLIB format
    // Reference values: the LP bound and an integer solution, the seconds Cbc may take.
    bool solve{};
    double solveSeconds{};  // for the whole solve
    std::string solveTraceFileName;  // a JSON line per pricing pass; empty: none
    // A solution to check against the instance instead of writing it; empty: none.
    std::string checkSolutionFileName;
    // What the run produced; an empty name writes none.
    std::string tasksCsvFileName;
    std::string tripsCsvFileName;
    std::string reportFileName;
    std::string svgFileName;
    // The run itself.
    std::string directory;  // where the files are written; empty: the working folder
    std::int32_t seriesCount{};  // instances of a series; 0: one, not as a series
    TShard shard;                // the part of a series this run makes; count 0: all of it
    bool resume{};               // a series keeps the instances whose record and files agree
    std::string mergeFolder;     // checks a series made in parts there and writes its manifest
    bool waitForKey{};      // read one character at the end
    std::optional<bool> progress;  // a progress line on standard error; none: on a terminal
    TLanguage language{};          // of the messages; never of the files
};

// The fewest tasks of a planted duty: a column holds more than minTasks tasks, and a chain
// is never a single task.
inline std::int32_t plantedDutyMinimum(const TSettings& settings) {
    return settings.minTasks >= 1 ? settings.minTasks + 1 : 2;
}

}  // namespace gerador
