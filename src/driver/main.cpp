// The program: the trip, task and column stages in order, then one wait for ENTER.
#include <cstdio>
#include <exception>
#include <memory>

#include "columns/columns.h"
#include "common/date_time.h"
#include "driver/process_setup.h"
#include "tasks/tasks.h"
#include "trips/trips.h"

namespace {

void runStages() {
    auto tripGenerator = std::make_unique<TViagens>();
    auto taskGenerator = std::make_unique<TTarefas>();
    auto columnGenerator = std::make_unique<TColunas>();
    std::printf("\n");

    tripGenerator->locationCount = 10;
    taskGenerator->count = 150;
    taskGenerator->windowStart = dateTimeFromText("01/01/2006 08:00");
    taskGenerator->windowEnd = dateTimeFromText("04/01/2006 08:00");
    taskGenerator->minDuration = timeFromText("01:00");
    taskGenerator->maxDuration = timeFromText("09:01");
    columnGenerator->acceptPercent = 100;

    tripGenerator->generateTrips(false, false);
    taskGenerator->generateTasks(*tripGenerator, false, false);
    columnGenerator->generateColumns(taskGenerator.get(), true, true);
}

}  // namespace

int main() {
    prepareProcess();
    try {
        runStages();
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "Erro: %s\n", error.what());
        return 1;
    }
    // A console that could not take the output is a failure too.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "Erro: não foi possível escrever na saída padrão.\n");
        return 1;
    }
    std::getchar();
    return 0;
}
