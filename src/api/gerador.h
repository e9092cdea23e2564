#pragma once

// The library's front door: what a binding, a test or a tool needs to make instances.
// Settings go in as a TSettings (its default is the standard run); the console, the
// random stream and the folder the files go to come in a TRunEnvironment. Nothing here
// touches the process: no working folder, no signal handler, no standard stream but the
// standard console, when the environment names it.
// Thread safety: two runs may go at once on two threads, each with its own environment.
// Files and messages are the same whatever locale the process has set.

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "columns/column_sink.h"
#include "common/run_environment.h"
#include "driver/series.h"
#include "driver/setting_rules.h"
#include "driver/settings.h"
#include "exports/solution_check.h"
#include "report/manifest.h"
#include "solve/solver.h"

namespace gerador {

class TViagens;
class TTarefas;
class TColunas;
struct TColumnRunResult;
struct TInstanceGraph;

// Settings that break a rule between settings; the message is the command line's.
class ESettingsError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Throws ESettingsError with the problem of the first rule the settings break.
void validateSettings(const TSettings& settings);

// One instance: its trip matrix and tasks, made from the settings and owned here.
class TInstance {
public:
    // Generates the trips and the tasks, printing their stage lines on the environment's
    // console as the echo settings ask; writes no file. environment must outlive this.
    // Throws ESettingsError, EParameterError for values the generators refuse.
    TInstance(const TSettings& settings, TRunEnvironment& environment);
    ~TInstance();
    TInstance(TInstance&&) noexcept;
    TInstance& operator=(TInstance&&) noexcept;

    const TSettings& settings() const { return settings_; }
    const TViagens& trips() const;
    const TTarefas& tasks() const;
    // The tasks' successor graph and the first phase's chain counts: what a caller sizes
    // its buffers by before it runs the columns.
    const TInstanceGraph& graph() const;

    // Runs the column search and hands every column, in order, to each output (a column
    // is valid during add only); their files are the caller's to commit. Throws what an
    // output throws, and EColumnLimit past --max-columns.
    TColumnRunResult runColumns(const std::vector<TColumnSink*>& outputs);

    // Reference values for options.model by column generation and an integer solution.
    // Requires: solverAvailable().
    TSolveResult solve(const TSolveOptions& options);

    // Checks a claimed solution against the instance's columns (see TSolutionCheck).
    TSolutionVerdict check(const TClaimedSolution& claimed, TModel model,
                           std::optional<std::int64_t> uncoveredCost = std::nullopt);

private:
    TSettings settings_;
    std::unique_ptr<TViagens> trips_;
    std::unique_ptr<TTarefas> tasks_;
    std::unique_ptr<TColunas> columns_;
};

// Everything the program does for the settings: the stages, every file they ask for
// (under the environment's base folder), the report and the series, committed together.
// Throws ESettingsError, and what a stage throws (EFileError, EParameterError).
void runSettings(const TSettings& settings, TRunEnvironment& environment);

}  // namespace gerador
