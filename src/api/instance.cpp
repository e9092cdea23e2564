#include "api/gerador.h"

#include "columns/columns.h"
#include "common/point_numbers.h"
#include "driver/instance_run.h"
#include "driver/stages.h"
#include "tasks/tasks.h"
#include "trips/trips.h"

namespace gerador {

void validateSettings(const TSettings& settings) {
    if (std::optional<std::string> problem = settingsProblem(settings)) throw ESettingsError(*problem);
}

// Every entry below holds the C locale's numbers on the calling thread (TPointNumbers), so
// that no file or message of the library depends on the locale a host process set.

TInstance::TInstance(const TSettings& settings, TRunEnvironment& environment) : settings_(settings) {
    TPointNumbers pointNumbers;
    validateSettings(settings);
    TGenerators generators = generatorsFor(settings, &environment);
    trips_ = std::move(generators.trips);
    tasks_ = std::move(generators.tasks);
    columns_ = std::move(generators.columns);
    trips_->generateTrips(false, settings.tripEcho);
    tasks_->generateTasks(*trips_, false, settings.taskEcho);
    // Built once: every run of the columns, pricing pass and check reads it.
    columns_->graph = buildInstanceGraph(*tasks_, columns_->minTasks, columns_->maxTasks);
}

TInstance::~TInstance() = default;
TInstance::TInstance(TInstance&&) noexcept = default;
TInstance& TInstance::operator=(TInstance&&) noexcept = default;

const TViagens& TInstance::trips() const {
    return *trips_;
}

const TTarefas& TInstance::tasks() const {
    return *tasks_;
}

const TInstanceGraph& TInstance::graph() const {
    return *columns_->graph;
}

TColumnRunResult TInstance::runColumns(const std::vector<TColumnSink*>& outputs) {
    TPointNumbers pointNumbers;
    return columns_->generateColumns(tasks_.get(), outputs);
}

TSolveResult TInstance::solve(const TSolveOptions& options) {
    TPointNumbers pointNumbers;
    return solveInstance(*tasks_, *columns_, options);
}

TSolutionVerdict TInstance::check(const TClaimedSolution& claimed, TModel model,
                                  std::optional<std::int64_t> uncoveredCost) {
    TPointNumbers pointNumbers;
    TSolutionCheck check(claimed, model, uncoveredCost);
    columns_->generateColumns(tasks_.get(), std::vector<TColumnSink*>{&check});
    return check.verdict();
}

void runSettings(const TSettings& settings, TRunEnvironment& environment) {
    TPointNumbers pointNumbers;
    validateSettings(settings);
    runStages(settings, environment);
}

}  // namespace gerador
