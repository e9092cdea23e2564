#include "columns/columns.h"

#include <cassert>
#include <memory>
#include <thread>

#include "common/messages.h"
#include "columns/column_echo.h"
#include "columns/column_file.h"
#include "common/console.h"
#include "common/cores.h"
#include "common/exceptions.h"
#include "common/random_source.h"
#include "common/run_environment.h"
#include "common/run_files.h"
#include "tasks/tasks.h"

namespace gerador {

namespace {

// Chains of the first phase below which the automatic choice keeps one thread.
constexpr std::uint64_t kWorthThreads = 100000;
// Cores below which outputs keep the search on this thread: the search threads, this one
// and the writer's then compete for too few cores. Measured on two, with the text made on
// the search threads: the standard run took 0.10 to 0.14 s either way, and 40 MB instead
// of 11 MB with threads.
constexpr unsigned kCoresForThreadsWithOutputs = 4;

// Search threads when the run does not say: every core, but with outputs to format on
// few cores none.
std::int32_t automaticThreads(bool withoutOutputs) {
    auto cores = static_cast<unsigned>(machineCores());
    if (!withoutOutputs && cores < kCoresForThreadsWithOutputs) return 1;
    return static_cast<std::int32_t>(cores);
}

void checkParameters(const TTarefas* tasks, std::int32_t acceptPercent) {
    if (tasks == nullptr) throw EParameterError(tr("parâmetro inválido: taskGenerator não foi informado"));
    checkedTaskCount(*tasks);
    // No draw passes a negative bound, so the search from an uncovered task would repeat for ever.
    requireParameter(acceptPercent >= 0, "acceptPercent", acceptPercent, tr("não pode ser negativo"));
}

}  // namespace

TColumnRunInfo columnRunInfo(const TTarefas& tasks) {
    TColumnRunInfo run;
    run.taskCount = tasks.count;
    run.tasks = &tasks.tasks;
    for (std::int32_t depot = 0; depot < tasks.depotCount; ++depot) {
        // One depot never divides.
        run.depotWeights.push_back(depot == 0 ? 0.4 : 0.6 / (tasks.depotCount - 1));
    }
    return run;
}

TColumnRunResult TColunas::generateColumns(const TTarefas* tasks, bool writeFile, bool echo) {
    TRunEnvironment& environmentOfRun = orDefault(environment);
    TRunFiles files(environmentOfRun);
    std::unique_ptr<TColumnFileSink> file;
    std::unique_ptr<TColumnEchoSink> echoSink;
    std::vector<TColumnSink*> outputs;
    if (writeFile) outputs.push_back((file = std::make_unique<TColumnFileSink>(files)).get());
    if (echo) outputs.push_back((echoSink = std::make_unique<TColumnEchoSink>(*environmentOfRun.console)).get());
    TColumnRunResult result = generateColumns(tasks, outputs);
    commitAfterConsole(*environmentOfRun.console, files);
    environmentOfRun.console->print(closingLinesText(result.columnCount, TClosingItems::columns));
    return result;
}

std::int32_t TColunas::countColumns(const TTarefas* tasks) {
    return generateColumns(tasks, std::vector<TColumnSink*>{}).columnCount;
}

TColumnRunResult TColunas::generateColumns(const TTarefas* tasks, const std::vector<TColumnSink*>& outputs) {
    checkParameters(tasks, acceptPercent);
    TColumnRunInfo run = columnRunInfo(*tasks);
    for (TColumnSink* sink : outputs) {
        // A file that cannot go back to its header learns the count from a first pass.
        if (sink->needsCountFirst() && !run.knownColumnCount) run.knownColumnCount = countColumns(tasks);
    }
    taskGenerator = tasks;
    sinks = outputs;
    keptChains_ = !tasks->plantedDuties.empty() && !writesEveryOffer()
                      ? TKeptChains(tasks->plantedDuties, tasks->count)
                      : TKeptChains();
    TColumnRunResult result;
    std::int32_t columnCounter = 0;
    for (TColumnSink* sink : sinks) sink->begin(run);
    random_ = &orDefault(environment).random;
    *random_ = randomsource::TRandomStream(seed);
    std::int32_t threadCount = threads > 0 ? threads : automaticThreads(sinks.empty());
    // Without a graph of the instance's, one of this run's: the chains are counted only
    // for threads.
    std::shared_ptr<const TInstanceGraph> runGraph = graph;
    if (runGraph == nullptr) {
        buildSuccessorGraph(*taskGenerator);
        auto own = std::make_shared<TInstanceGraph>();
        own->successors = successors;
        own->startTasks = startTasks;
        if (threadCount > 1 && startTasks.size() > 1)
            own->chains = countChains(successors, startTasks, minTasks, maxTasks);
        runGraph = std::move(own);
    } else {
        checkedTaskCount(*taskGenerator);
        assert(runGraph->minTasks == minTasks && runGraph->maxTasks == maxTasks);
    }
    startCoverage();

    TChainSearch search(runGraph->successors, maxTasks);
    const std::vector<std::int32_t>& starts = runGraph->startTasks;
    const TChainCounts& chains = runGraph->chains;
    // Threads pay when there is work for them; asked for by number, they are always used.
    bool inThreads = threadCount > 1 && starts.size() > 1 && !chains.saturated &&
                     (threads > 0 || chains.totalOffers >= kWorthThreads);
    if (inThreads) {
        searchFirstPhaseInThreads(threadCount, *runGraph, columnCounter);
    } else {
        searchFrom(search, starts, 0, 1, columnCounter);
    }
    while (!uncoveredTasks.empty()) {
        std::int32_t startTask = uncoveredTasks.first();
        auto depot =
            static_cast<std::int32_t>(random_->drawInRange(1, std::int64_t{taskGenerator->depotCount} + 1));
        if (searchFrom(search, std::span(&startTask, 1), depot, 2, columnCounter) == 0) {
            // No chain long enough begins here, so no search can ever cover this task.
            uncoveredTasks.remove(startTask);
            result.uncoverableTasks.push_back(startTask);
        }
    }
    for (TColumnSink* sink : sinks) sink->end(columnCounter);
    sinks.clear();
    columnCount = columnCounter;
    result.columnCount = columnCounter;
    return result;
}

std::int64_t TColunas::searchFrom(TChainSearch& search, std::span<const std::int32_t> starts, std::int32_t depot,
                                  std::int32_t phase, std::int32_t& columnCounter) {
    std::int64_t offered = 0;
    const std::atomic<bool>* interrupted = orDefault(environment).interrupted;
    for (const std::int32_t& start : starts) {
        // Also here: with few offers written, the checkpoints come seldom.
        throwIfInterrupted(interrupted);
        // A search from a start task gives its columns the task's origin.
        std::int32_t columnDepot = depot != 0 ? depot : taskGenerator->tasks[static_cast<std::size_t>(start)].origin;
        offered += searchStarts(search, rule(), std::span(&start, 1), random_,
                                [&](const std::vector<std::int32_t>& chain, std::size_t unchangedTasks) {
                                    writeColumn(columnDepot, columnCounter, chain, phase, unchangedTasks);
                                    return true;
                                });
    }
    return offered;
}

}  // namespace gerador
