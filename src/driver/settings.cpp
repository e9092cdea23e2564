#include "driver/settings.h"

#include <chrono>
#include <memory>
#include <vector>

#include <nlohmann/json.hpp>

#include "columns/column_echo.h"
#include "columns/column_file.h"
#include "columns/columns.h"
#include "common/console.h"
#include "exports/orlib_export.h"
#include "report/instance_summary.h"
#include "report/json_report.h"
#include "report/svg_picture.h"
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

nlohmann::ordered_json settingsJson(const TSettings& settings) {
    auto instant = [](TDateTime value) { return textFromDateTime(value, "DD/MM/YYYY HH:mm"); };
    auto duration = [](TDateTime value) { return textFromDateTime(value, "HH:mm"); };
    auto fileOrNull = [](const std::string& name) {
        return name.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(name);
    };
    return {
        {"location-count", settings.locationCount},
        {"min-distance", settings.minDistance},
        {"max-distance", settings.maxDistance},
        {"cost-factor", settings.costFactor},
        {"trip-seed", settings.tripSeed},
        {"trip-write-file", settings.tripWriteFile},
        {"trip-echo", settings.tripEcho},
        {"count", settings.count},
        {"depot-count", settings.depotCount},
        {"extra-cost-min", settings.extraCostMin},
        {"extra-cost-max", settings.extraCostMax},
        {"task-seed", settings.taskSeed},
        {"window-start", instant(settings.windowStart)},
        {"window-end", instant(settings.windowEnd)},
        {"min-duration", duration(settings.minDuration)},
        {"max-duration", duration(settings.maxDuration)},
        {"task-write-file", settings.taskWriteFile},
        {"task-echo", settings.taskEcho},
        {"min-tasks", settings.minTasks},
        {"max-tasks", settings.maxTasks},
        {"accept-percent", settings.acceptPercent},
        {"column-seed", settings.columnSeed},
        {"column-write-file", settings.columnWriteFile},
        {"column-echo", settings.columnEcho},
        {"mps", fileOrNull(settings.mpsFileName)},
        {"model", settings.model == TModel::partition ? "partition" : "cover"},
        {"orlib", fileOrNull(settings.orlibFileName)},
        {"report", fileOrNull(settings.reportFileName)},
        {"svg", fileOrNull(settings.svgFileName)},
    };
}

void runStages(const TSettings& settings) {
    auto started = std::chrono::steady_clock::now();
    auto tripGenerator = std::make_unique<TViagens>();
    auto taskGenerator = std::make_unique<TTarefas>();
    auto columnGenerator = std::make_unique<TColunas>();
    printText("\n");
    applySettings(settings, *tripGenerator, *taskGenerator, *columnGenerator);

    tripGenerator->generateTrips(settings.tripWriteFile, settings.tripEcho);
    taskGenerator->generateTasks(*tripGenerator, settings.taskWriteFile, settings.taskEcho);

    // The summary feeds the report and the picture, so it goes first; the report lists
    // the files of every output before it, so it goes last.
    std::vector<std::unique_ptr<TColumnSink>> outputs;
    TInstanceSummary* summary = nullptr;
    if (!settings.reportFileName.empty() || !settings.svgFileName.empty()) {
        auto owned = std::make_unique<TInstanceSummary>();
        summary = owned.get();
        outputs.push_back(std::move(owned));
    }
    if (settings.columnWriteFile) outputs.push_back(std::make_unique<TColumnFileSink>());
    if (settings.columnEcho) outputs.push_back(std::make_unique<TColumnEchoSink>());
    if (!settings.mpsFileName.empty()) {
        outputs.push_back(std::make_unique<TMpsExport>(settings.mpsFileName, settings.model));
    }
    if (!settings.orlibFileName.empty()) outputs.push_back(std::make_unique<TOrlibExport>(settings.orlibFileName));
    if (!settings.svgFileName.empty()) {
        outputs.push_back(std::make_unique<TSvgPicture>(settings.svgFileName, *summary, settings.locationCount,
                                                        settings.windowStart, settings.windowEnd));
    }
    if (!settings.reportFileName.empty()) {
        std::vector<const TColumnSink*> listed;
        for (const auto& output : outputs) listed.push_back(output.get());
        std::vector<std::string> earlierFiles;
        if (settings.tripWriteFile) earlierFiles.push_back(kTripFileName);
        if (settings.taskWriteFile) earlierFiles.push_back(kTaskFileName);
        outputs.push_back(std::make_unique<TJsonReport>(settings.reportFileName, *summary, settingsJson(settings),
                                                        listed, earlierFiles, started));
    }
    std::vector<TColumnSink*> sinks;
    for (const auto& output : outputs) sinks.push_back(output.get());
    columnGenerator->generateColumns(taskGenerator.get(), sinks);
    if (!settings.reportFileName.empty()) printText(summary->consoleText());
}
