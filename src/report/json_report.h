#pragma once

#include <nlohmann/json_fwd.hpp>

#include "report/run_result.h"

namespace gerador {

class TOutputFile;

// Writes the machine-readable report of a run (JSON) to file: its settings and version,
// the trips and tasks, the columns, the coverage, the partition verdict, the files written
// before it and, withRunFacts, the run's wall time, peak memory and solve times. Without
// them the report is the same bytes every time the instance is made.
// settings: every setting of the run, as the options name them.
void writeJsonReport(TOutputFile& file, const TRunResult& result, const nlohmann::ordered_json& settings,
                     bool withRunFacts = true);

}  // namespace gerador
