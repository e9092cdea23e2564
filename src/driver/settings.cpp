#include "driver/settings.h"

#include <memory>
#include <vector>

#include "columns/column_echo.h"
#include "columns/column_file.h"
#include "columns/columns.h"
#include "common/console.h"
#include "exports/orlib_export.h"
#include "tasks/tasks.h"
#include "trips/trips.h"

TSettings::TSettings()
    : windowStart(dateTimeFromText("01/01/2006 08:00")),
      windowEnd(dateTimeFromText("04/01/2006 08:00")),
      minDuration(timeFromText("01:00")),
      maxDuration(timeFromText("09:01")) {}

void applySettings(const TSettings& settings, TViagens& trips, TTarefas& tasks, TColunas& columns) {
    trips.locationCount = settings.locationCount;
    trips.minDistance = settings.minDistance;
    trips.maxDistance = settings.maxDistance;
    trips.costFactor = settings.costFactor;
    trips.seed = settings.tripSeed;
    tasks.count = settings.count;
    tasks.depotCount = settings.depotCount;
    tasks.extraCostMin = settings.extraCostMin;
    tasks.extraCostMax = settings.extraCostMax;
    tasks.seed = settings.taskSeed;
    tasks.windowStart = settings.windowStart;
    tasks.windowEnd = settings.windowEnd;
    tasks.minDuration = settings.minDuration;
    tasks.maxDuration = settings.maxDuration;
    columns.minTasks = settings.minTasks;
    columns.maxTasks = settings.maxTasks;
    columns.acceptPercent = settings.acceptPercent;
    columns.seed = settings.columnSeed;
}

void runStages(const TSettings& settings) {
    auto tripGenerator = std::make_unique<TViagens>();
    auto taskGenerator = std::make_unique<TTarefas>();
    auto columnGenerator = std::make_unique<TColunas>();
    printText("\n");
    applySettings(settings, *tripGenerator, *taskGenerator, *columnGenerator);

    tripGenerator->generateTrips(settings.tripWriteFile, settings.tripEcho);
    taskGenerator->generateTasks(*tripGenerator, settings.taskWriteFile, settings.taskEcho);
    std::vector<std::unique_ptr<TColumnSink>> outputs;
    if (settings.columnWriteFile) outputs.push_back(std::make_unique<TColumnFileSink>());
    if (settings.columnEcho) outputs.push_back(std::make_unique<TColumnEchoSink>());
    if (!settings.mpsFileName.empty()) {
        outputs.push_back(std::make_unique<TMpsExport>(settings.mpsFileName, settings.model));
    }
    if (!settings.orlibFileName.empty()) outputs.push_back(std::make_unique<TOrlibExport>(settings.orlibFileName));
    std::vector<TColumnSink*> sinks;
    for (const auto& output : outputs) sinks.push_back(output.get());
    columnGenerator->generateColumns(taskGenerator.get(), sinks);
}
