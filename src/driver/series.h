#pragma once

#include <cstdint>
#include <string>

#include <optional>

#include <nlohmann/json_fwd.hpp>

#include "driver/settings.h"
#include "report/manifest.h"

namespace gerador {

// The settings of instance k (from 1) of a series: the series' own, with k - 1 added to
// the trip, task and column seeds, as a single run (no series, part or merge) has them.
// Requires: the seeds do not pass 4294967295 (the command line refuses such a series).
TSettings seriesInstanceSettings(const TSettings& series, std::int32_t instance);

// The folder of instance k of a series of instances: its number, with at least three
// digits and as many as the last number has ("007", "0042" in a series of 1000).
std::string seriesFolderName(std::int32_t instance, std::int32_t instances);

// The name of an instance's record in its folder.
inline constexpr const char* kInstanceRecordName = "instance.json";

// What making an instance took, which no file of the instance holds (they are the same bytes
// each time it is made): its wall time and the process's peak memory.
struct TRunFacts {
    double wallSeconds = 0;
    long peakMemoryKB = 0;
};

// The record of a finished instance, NNN/instance.json: the settings it was made with, its
// manifest row (seeds, sizes, verdict, solve, and each file's size and SHA-256) and the
// run's facts.
nlohmann::ordered_json instanceRecordJson(const TSettings& own, const TManifestRow& row, const TRunFacts& run);

// What is wrong with the instance in folder (under seriesFolder, where the series is): no
// record, a record that cannot be read (its numbers are checked as the command line checks
// them), settings or seeds other than own's, a list of files other than the ones own makes,
// or a file missing, not a regular file, or not matching its size and digest. None: the instance stands, and row is its record's.
std::optional<std::string> instanceProblem(const std::string& seriesFolder, const std::string& folder,
                                           const TSettings& own, TManifestRow& row);

}  // namespace gerador
