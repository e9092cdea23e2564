// Times the standard run in this process (all three stages) and the column run alone,
// each a few times, in a temporary folder; prints the minimum and the average.
// Usage: column_run_bench [repetitions]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>

#include "columns/columns.h"
#include "driver/setting_table.h"
#include "driver/stages.h"
#include "tasks/tasks.h"
#include "trips/trips.h"

using namespace gerador;

namespace {

struct TStandardStages {
    TViagens trips;
    TTarefas tasks;
    TColunas columns;

    TStandardStages() { applySettings(TSettings(), trips, tasks, columns); }
};

// Runs work with standard output sent to /dev/null, so the console costs what it would
// cost redirected, and returns the seconds it took.
double secondsOf(const std::function<void()>& work) {
    std::fflush(stdout);
    int console = dup(1);
    int sink = open("/dev/null", O_WRONLY);
    dup2(sink, 1);
    auto begin = std::chrono::steady_clock::now();
    work();
    std::fflush(stdout);
    auto end = std::chrono::steady_clock::now();
    dup2(console, 1);
    close(sink);
    close(console);
    return std::chrono::duration<double>(end - begin).count();
}

void report(const char* name, int repetitions, const std::function<void()>& work) {
    double fastest = 1e300;
    double total = 0.0;
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        double seconds = secondsOf(work);
        fastest = std::min(fastest, seconds);
        total += seconds;
    }
    std::printf("%-22s min %8.3f s   avg %8.3f s   (%d runs)\n", name, fastest, total / repetitions, repetitions);
}

}  // namespace

int main(int argc, char** argv) {
    int repetitions = argc > 1 ? std::atoi(argv[1]) : 5;
    std::string folder = (std::filesystem::temp_directory_path() / "column_run_bench_XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) return 1;
    std::filesystem::current_path(folder);

    report("standard run", repetitions, [] { runStages(TSettings()); });

    TStandardStages prepared;
    secondsOf([&] {
        prepared.trips.generateTrips(false, false);
        prepared.tasks.generateTasks(prepared.trips, false, false);
    });
    report("column run", repetitions, [&] {
        TColunas columns;
        applySettings(TSettings(), prepared.trips, prepared.tasks, columns);
        columns.generateColumns(&prepared.tasks, true, true);
    });
    report("column run, no file", repetitions, [&] {
        TColunas columns;
        applySettings(TSettings(), prepared.trips, prepared.tasks, columns);
        columns.generateColumns(&prepared.tasks, false, false);
    });

    std::filesystem::current_path("/");
    std::filesystem::remove_all(folder);
    return 0;
}
