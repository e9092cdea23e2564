#pragma once

#include <vector>

#include "tasks/task_table.h"
#include "trips/trip_table.h"

namespace gerador {

class TOutputFile;

// Writes the tasks as CSV: a header row, then one row per task.
void writeTasksCsv(TOutputFile& file, const std::vector<TTaskRow>& tasks);
// Writes the trips as CSV: a header row, then one row per ordered pair of locations.
void writeTripsCsv(TOutputFile& file, const std::vector<TTripRow>& trips);

}  // namespace gerador
