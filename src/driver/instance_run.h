#pragma once

#include <memory>
#include <string>

#include "common/run_files.h"
#include "driver/settings.h"
#include "report/run_result.h"

namespace gerador {

class TProgress;
class TViagens;
class TTarefas;
class TColunas;
struct TRunEnvironment;

// The three generators of a run, their fields set from the settings, running in
// environment (null: the default one), which must outlive them.
struct TGenerators {
    std::unique_ptr<TViagens> trips;
    std::unique_ptr<TTarefas> tasks;
    std::unique_ptr<TColunas> columns;
};
TGenerators generatorsFor(const TSettings& settings, TRunEnvironment* environment = nullptr);

// What one instance of a run leaves once its files are written (not yet committed).
struct TInstanceRun {
    TRunResult result;       // without the generators, which are gone
    std::string afterCommit;  // the console lines that follow the commit
};

// Prints the empty opening line, then runs the trip, task and column stages in order
// with the settings' write and echo flags, solves when asked, and writes the solution,
// the tables, the picture and the report from what the column run found; every file joins
// files, for the caller to commit. Prints on the environment's console; relative names
// resolve against its base folder, as files' do. seriesInstance: an instance of a series,
// whose facts (coverage, verdict) are gathered for its record even when no output asks for
// them, and whose report leaves out the run's times and memory, so that its files are the
// same bytes each time it is made. Throws what a stage throws.
// progress, if any, shows how the column run and the solve go.
TInstanceRun runInstance(const TSettings& settings, TRunEnvironment& environment, TRunFiles& files, bool seriesInstance,
                         TProgress* progress = nullptr);

}  // namespace gerador
