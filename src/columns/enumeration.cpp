#include "columns/columns.h"

#include <cstdio>

#include "common/exceptions.h"
#include "common/random_source.h"
#include "tasks/tasks.h"

namespace {

constexpr const char* kColumnFileName = "150_3304438.txt";
constexpr std::int32_t kEchoEvery = 10000;

void checkParameters(const TTarefas* tasks, std::int32_t acceptPercent) {
    if (tasks == nullptr) throw EParameterError("parâmetro inválido: taskGenerator não foi informado");
    checkedTaskCount(*tasks);
    // No draw passes a negative bound, so the search from an uncovered task would repeat for ever.
    requireParameter(acceptPercent >= 0, "acceptPercent", acceptPercent, "não pode ser negativo");
}

}  // namespace

void TColunas::generateColumns(const TTarefas* tasks, bool writeFile, bool echo) {
    checkParameters(tasks, acceptPercent);
    fileName = kColumnFileName;
    taskGenerator = tasks;
    std::int32_t columnCounter = 0;
    if (writeFile) openColumnFile();
    randomsource::srand(seed);
    buildSuccessorGraph(*taskGenerator);
    startCoverage();

    TChainSearch search(successors, maxTasks);
    for (std::int32_t startTask : startTasks) {
        std::int32_t depot = taskGenerator->tasks[static_cast<std::size_t>(startTask)].origin;
        searchFrom(search, startTask, depot, columnCounter, writeFile, echo);
    }
    while (!uncoveredTasks.empty()) {
        std::int32_t startTask = uncoveredTasks.first();
        auto depot = static_cast<std::int32_t>(randomsource::drawInRange(1, std::int64_t{taskGenerator->depotCount} + 1));
        if (searchFrom(search, startTask, depot, columnCounter, writeFile, echo) == 0) {
            // No chain long enough begins here, so no search can ever cover this task.
            uncoveredTasks.remove(startTask);
            std::fprintf(stderr,
                         "Aviso: nenhuma coluna cobre a tarefa %d; a instância não tem partição exata.\n",
                         startTask + 1);
        }
    }
    closeColumnFile(columnCounter, writeFile, echo);
    columnCount = columnCounter;
}

std::int64_t TColunas::searchFrom(TChainSearch& search, std::int32_t startTask, std::int32_t depot,
                                  std::int32_t& columnCounter, bool writeFile, bool echo) {
    auto shortestOffered = static_cast<std::uint32_t>(minTasks);
    std::int64_t offered = 0;
    search.start(startTask);
    while (search.next()) {
        const std::vector<std::int32_t>& chain = search.chain();
        if (chain.size() <= shortestOffered) continue;
        ++offered;
        // Decided before the draw, on the number the column would get minus one.
        bool echoThis = echo && columnCounter % kEchoEvery == 0;
        if (randomsource::lrand() % 100 <= acceptPercent) {
            writeColumn(depot, columnCounter, chain, writeFile, echoThis);
        }
    }
    return offered;
}
