#pragma once

#include "driver/settings.h"

namespace gerador {

// Prints the empty opening line, then runs the trip, task and column stages in order
// with the settings' write and echo flags, writes the report and the picture from what
// the column run found, and commits every file of the run together. Throws what a stage
// throws; no file of the run is committed then.
void runStages(const TSettings& settings);

}  // namespace gerador
