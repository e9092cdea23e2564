#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "report/run_result.h"

namespace gerador {

class TOutputFile;

// One instance of a series, as its manifest lists it.
struct TManifestRow {
    std::string folder;  // "001"
    std::uint32_t tripSeed = 0;
    std::uint32_t taskSeed = 0;
    std::uint32_t columnSeed = 0;
    std::int32_t tasks = 0;
    std::int64_t columns = 0;
    std::int64_t nonzeros = 0;  // tasks summed over the columns
    std::optional<bool> exactPartition;
    std::string witness;  // "planted", "uncovered-task", "never-together-pair" or "" for none
    std::optional<TSolveFacts> solve;
    std::vector<TWrittenFile> files;  // names relative to the series' folder
};

// The row of an instance from what its run found (the facts gathered, the planted
// duties, the solve) and the files it wrote.
TManifestRow manifestRow(std::string folder, std::uint32_t tripSeed, std::uint32_t taskSeed, std::uint32_t columnSeed,
                         const TRunResult& result, std::vector<TWrittenFile> files);

// Writes the manifest as CSV, one row per instance: folder, seeds, tasks, columns,
// nonzeros, density, the partition verdict, the solve's status, objective, bound, gap and
// seconds, then the SHA-256 of each file (a column per file, named after it).
void writeManifestCsv(TOutputFile& file, const std::vector<TManifestRow>& rows);
// The row as the manifest's JSON gives it, and back: a row read from its JSON gives the
// same JSON again (the density is worked out, and only the solve's fields shown there are kept).
// Reading throws EConvertError for a record that lacks a field or has one of the wrong kind.
nlohmann::ordered_json manifestRowJson(const TManifestRow& row);
TManifestRow manifestRowFromJson(const nlohmann::ordered_json& record);

// Writes the manifest as JSON: the program, the settings, and the instances with every
// field of the CSV and each file's size and digests.
void writeManifestJson(TOutputFile& file, const std::vector<TManifestRow>& rows,
                       const nlohmann::ordered_json& settings);

}  // namespace gerador
