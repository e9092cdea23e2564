#pragma once

#include "driver/settings.h"

namespace gerador {

struct TRunEnvironment;
TRunEnvironment& defaultEnvironment();

// Makes arquivos/ when a trip or task file is asked for, prints the empty opening line,
// then runs the trip, task and column stages in order with the settings' write and echo flags, writes the report and the picture from what
// the column run found, and commits every file of the run together, in environment (its
// base folder is the run's folder). Throws what a stage throws; no file of the run is
// committed then. Returns a signal that arrived after the commit's last rename (see
// TRunFiles::lateSignal), or 0.
// Checks the instances of the series settings describes, made in parts, in environment's
// base folder, and writes its manifest when every one stands; otherwise names on the
// console what is missing or damaged and writes nothing. Makes nothing. Returns whether
// the manifest was written.
bool mergeSeries(const TSettings& settings, TRunEnvironment& environment);

int runStages(const TSettings& settings, TRunEnvironment& environment = defaultEnvironment());

// Regenerates the instance of the settings, writing nothing, and checks the solution of
// settings.checkSolutionFileName against it: every task covered as the model asks, every
// column named there one of the instance's, its cost recomputed. Prints the verdict, and
// each problem on standard error. Throws EFileError or EConvertError for a file it cannot read.
bool checkSolution(const TSettings& settings, TRunEnvironment& environment = defaultEnvironment());

}  // namespace gerador
