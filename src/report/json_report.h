#pragma once

#include <nlohmann/json_fwd.hpp>

#include "report/run_result.h"

namespace gerador {

class TOutputFile;

// Writes the machine-readable report of a run (JSON) to file: its settings and version,
// the trips and tasks, the columns, the coverage, the partition verdict, the files written
// before it and the run's wall time and peak memory.
// settings: every setting of the run, as the options name them.
void writeJsonReport(TOutputFile& file, const TRunResult& result, const nlohmann::ordered_json& settings);

}  // namespace gerador
