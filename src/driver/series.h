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

// The record of a finished instance, NNN/instance.json: the settings it was made with and
// its manifest row (seeds, sizes, verdict, solve, and each file's size and SHA-256).
nlohmann::ordered_json instanceRecordJson(const TSettings& own, const TManifestRow& row);

// What is wrong with the instance in folder (under seriesFolder, where the series is): no
// record, a record that cannot be read, settings other than own's, or a file missing or
// not matching its size and digest. None: the instance stands, and row is its record's.
std::optional<std::string> instanceProblem(const std::string& seriesFolder, const std::string& folder,
                                           const TSettings& own, TManifestRow& row);

}  // namespace gerador
