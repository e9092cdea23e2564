#include "driver/instance_run.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include <nlohmann/json.hpp>

#include "columns/column_echo.h"
#include "columns/column_file.h"
#include "columns/columns.h"
#include "columns/planted_columns.h"
#include "common/console.h"
#include "common/messages.h"
#include "common/run_environment.h"
#include "driver/progress.h"
#include "driver/setting_table.h"
#include "driver/space_check.h"
#include "exports/data_tables.h"
#include "exports/mps_export.h"
#include "exports/orlib_export.h"
#include "exports/solution_file.h"
#include "report/json_report.h"
#include "report/svg_picture.h"
#include "solve/solver.h"
#include "tasks/tasks.h"
#include "trips/trips.h"

namespace gerador {

namespace {

// The range of the columns' costs and lengths, as they go by.
struct TColumnRangeSink : TColumnSink {
    TColumnRange range;
    void begin(const TColumnRunInfo&) override {}
    void add(const TPricedColumn& column) override { range.note(column.cost, column.tasks->size()); }
    void end(std::int32_t) override {}
};

// A line of --solve-trace: one pricing pass as a JSON object.
std::string pricingPassLine(const TPricingPass& pass) {
    nlohmann::ordered_json line = {{"pass", pass.pass},
                                   {"phase", pass.phase},
                                   {"seconds", pass.seconds},
                                   {"masterObjective", pass.masterObjective},
                                   {"columnsAdded", pass.columnsAdded},
                                   {"lowestReducedCost", pass.lowestReducedCost},
                                   {"lagrangianBound", nullptr}};
    if (pass.lagrangianBound) line["lagrangianBound"] = *pass.lagrangianBound;
    return line.dump() + "\n";
}

// The outputs the column run feeds, as the settings ask for them.
struct TColumnOutputs {
    std::vector<std::unique_ptr<TColumnSink>> owned;
    TInstanceSummary* summary = nullptr;  // when the report or the picture needs it
    TMpsExport* mps = nullptr;
    TPlantedColumns* planted = nullptr;
    TColumnRangeSink* range = nullptr;  // when the elastic solve needs its default slack cost

    // gatherFacts: the summary even when neither the report nor the picture asks for it.
    TColumnOutputs(const TSettings& settings, TConsole& console, TRunFiles& files, const TTarefas& tasks,
                   bool gatherFacts) {
        if (settings.columnWriteFile)
            owned.push_back(std::make_unique<TColumnFileSink>(files, settings.columnFileName));
        if (settings.columnEcho) owned.push_back(std::make_unique<TColumnEchoSink>(console));
        if (!settings.mpsFileName.empty()) {
            mps = adopt(std::make_unique<TMpsExport>(files, settings.mpsFileName, settings.model,
                                                     settings.uncoveredCost));
        }
        if (!settings.orlibFileName.empty()) {
            owned.push_back(std::make_unique<TOrlibExport>(files, settings.orlibFileName));
        }
        // Solving the partition model reads the certificate too.
        if (gatherFacts || !settings.reportFileName.empty() || !settings.svgFileName.empty() ||
            (settings.solve && rulesOf(settings.model).needsExactPartition)) {
            summary = adopt(std::make_unique<TInstanceSummary>());
        }
        if (settings.plant) planted = adopt(std::make_unique<TPlantedColumns>(tasks.plantedDuties));
        // Gathered as the columns go by, so the solve makes no pass of its own for it.
        if (settings.solve && rulesOf(settings.model).slackPerRow && !settings.uncoveredCost && mps == nullptr)
            range = adopt(std::make_unique<TColumnRangeSink>());
    }

    template <typename TSink>
    TSink* adopt(std::unique_ptr<TSink> sink) {
        TSink* kept = sink.get();
        owned.push_back(std::move(sink));
        return kept;
    }

    std::vector<TColumnSink*> sinks() const {
        std::vector<TColumnSink*> all;
        for (const auto& sink : owned) all.push_back(sink.get());
        return all;
    }
};

TSolveFacts factsOf(const TSolveResult& solved, TModel model) {
    TSolveFacts facts;
    facts.model = std::string(modelName(model));
    facts.status = statusWord(solved.status);
    facts.objective = solved.objective;
    facts.bound = solved.bound;
    facts.lpValue = solved.lpValue;
    facts.lpConverged = solved.lpConverged;
    facts.gap = solved.gap;
    facts.seconds = solved.seconds;
    facts.pricingPasses = solved.pricingPasses;
    facts.masterColumns = solved.masterColumns;
    facts.nodes = solved.nodes;
    facts.lpSeconds = solved.lpSeconds;
    facts.integerSeconds = std::max(0.0, solved.seconds - solved.lpSeconds);
    if (solved.objective && solved.lpValue) {
        facts.rootGap = (static_cast<double>(*solved.objective) - *solved.lpValue) /
                        std::max(1.0, std::fabs(static_cast<double>(*solved.objective)));
    }
    facts.difficulty = difficultyOf(facts.status, facts.nodes);
    return facts;
}

TSolution plantedSolution(const TPlantedResult& planted) {
    TSolution solution{planted.cost, planted.columns, {}};
    std::sort(solution.columns.begin(), solution.columns.end());
    return solution;
}

// Tasks named one by one before the rest are counted: 30,000 uncovered tasks once gave
// 30,000 lines.
constexpr std::size_t kUncoverableNamed = 5;

void warnOfUncoverableTasks(TConsole& console, const TColumnRunResult& columnRun) {
    const std::vector<std::int32_t>& tasks = columnRun.uncoverableTasks;
    for (std::size_t shown = 0; shown < tasks.size() && shown < kUncoverableNamed; ++shown) {
        console.message(warningText(
            textf(tr("nenhuma coluna cobre a tarefa %d; a instância não tem partição exata."), tasks[shown] + 1)));
    }
    if (tasks.size() > kUncoverableNamed) {
        std::size_t others = tasks.size() - kUncoverableNamed;
        console.message(warningText(textf(
            trn("nenhuma coluna cobre outra %zu tarefa.", "nenhuma coluna cobre outras %zu tarefas.", others), others)));
    }
}

}  // namespace

TGenerators generatorsFor(const TSettings& settings, TRunEnvironment* environment) {
    TGenerators generators{std::make_unique<TViagens>(), std::make_unique<TTarefas>(), std::make_unique<TColunas>()};
    applySettings(settings, *generators.trips, *generators.tasks, *generators.columns);
    generators.trips->environment = environment;
    generators.tasks->environment = environment;
    generators.columns->environment = environment;
    // Planted duties hold from minTasks + 1 (and at least 2) to maxTasks tasks: every one is a column.
    generators.tasks->dutyMinTasks = plantedDutyMinimum(settings);
    generators.tasks->dutyMaxTasks = settings.maxTasks;
    return generators;
}

TInstanceRun runInstance(const TSettings& settings, TRunEnvironment& environment, TRunFiles& files, bool seriesInstance,
                         TProgress* progress) {
    auto started = environment.clock();
    TConsole& console = *environment.console;
    console.print("\n");
    TGenerators generators = generatorsFor(settings, &environment);
    TViagens* tripGenerator = generators.trips.get();
    TTarefas* taskGenerator = generators.tasks.get();
    TColunas* columnGenerator = generators.columns.get();
    tripGenerator->generateTrips(settings.tripWriteFile, settings.tripEcho, &files);
    taskGenerator->generateTasks(*tripGenerator, settings.taskWriteFile, settings.taskEcho, &files);

    TColumnOutputs outputs(settings, console, files, *taskGenerator, seriesInstance);
    // One graph of the tasks serves the check, the column run and every pricing pass.
    columnGenerator->graph = buildInstanceGraph(*taskGenerator, columnGenerator->minTasks, columnGenerator->maxTasks);
    checkBeforeTheColumns(settings, *columnGenerator, *taskGenerator, *columnGenerator->graph, console,
                          environment.baseFolder);
    if (progress != nullptr) {
        progress->stage(tr("colunas"));
        columnGenerator->onProgress = [progress, &files](std::int64_t columns) { progress->columns(columns, &files); };
    }
    TColumnRunResult columnRun = columnGenerator->generateColumns(taskGenerator, outputs.sinks());
    warnOfUncoverableTasks(console, columnRun);

    // What is written after the columns reads what the run found, and joins its commit.
    TInstanceRun run;
    TRunResult& result = run.result;
    result.started = started;
    result.trips = tripGenerator;
    result.tasks = taskGenerator;
    if (outputs.summary != nullptr) result.instance = outputs.summary->facts();
    if (outputs.mps != nullptr && rulesOf(settings.model).slackPerRow)
        result.uncoveredCost = outputs.mps->uncoveredCost();
    if (outputs.planted != nullptr) {
        result.planted = TPlantedResult{taskGenerator->plantedDuties, outputs.planted->columnNumbers(),
                                        outputs.planted->totalCost()};
    }
    std::optional<TSolution> best;
    if (result.planted) best = plantedSolution(*result.planted);
    if (settings.solve) {
        TSolveOptions options;
        options.model = settings.model;
        options.seconds = settings.solveSeconds;
        options.faultHook = environment.faultHook;
        options.uncoveredCost = settings.uncoveredCost;
        if (!options.uncoveredCost && outputs.mps != nullptr && rulesOf(settings.model).slackPerRow)
            options.uncoveredCost = outputs.mps->uncoveredCost();
        if (!options.uncoveredCost && outputs.range != nullptr)
            options.uncoveredCost = outputs.range->range.uncoveredCost(taskGenerator->count);
        if (!settings.solveTraceFileName.empty()) {
            TOutputFile& trace = files.create(settings.solveTraceFileName);
            options.onPass = [&trace](const TPricingPass& pass) { trace.write(pricingPassLine(pass)); };
        }
        options.start = best;
        options.partitionImpossible = outputs.summary != nullptr && outputs.summary->facts().verdict.kind !=
                                                                        TPartitionVerdict::TKind::noSimpleObstacle;

        if (progress != nullptr) progress->stage(tr("preço das colunas"));
        TSolveResult solved = solveInstance(*taskGenerator, *columnGenerator, options);
        result.solve = factsOf(solved, settings.model);
        if (rulesOf(settings.model).slackPerRow) result.uncoveredCost = solved.uncoveredCost;
        if (solved.objective) best = solved.solution;
    }
    if (!settings.solutionFileName.empty()) {
        if (best) {
            writeSolutionFile(files.create(settings.solutionFileName), *best);
        } else {
            console.message(warningText(
                textf(tr("nenhuma solução conhecida; %s não foi gravado."), settings.solutionFileName.c_str())));
        }
    }
    if (!settings.tasksCsvFileName.empty())
        writeTasksCsv(files.create(settings.tasksCsvFileName), taskTable(*taskGenerator));
    if (!settings.tripsCsvFileName.empty())
        writeTripsCsv(files.create(settings.tripsCsvFileName), tripTable(*tripGenerator));
    if (!settings.svgFileName.empty()) {
        TPictureFrame frame{settings.locationCount};
        writeSvgPicture(files.create(settings.svgFileName), result, frame);
    }
    if (!settings.reportFileName.empty()) {
        result.files = files.written();
        writeJsonReport(files.create(settings.reportFileName), result, settingsJson(settings), !seriesInstance);
    }

    run.afterCommit = closingLinesText(columnRun.columnCount, TClosingItems::columns);
    if (!settings.reportFileName.empty()) {
        run.afterCommit += consoleSummary(result);
    } else if (result.planted) {
        run.afterCommit += partitionLine(result);
    }
    if (result.solve) run.afterCommit += solveLine(*result.solve);
    // The generators go with this function.
    result.trips = nullptr;
    result.tasks = nullptr;
    result.instance.tasks = nullptr;
    return run;
}

}  // namespace gerador
