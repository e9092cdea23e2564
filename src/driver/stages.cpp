#include "driver/stages.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <nlohmann/json.hpp>

#include "columns/columns.h"
#include "common/console.h"
#include "common/exceptions.h"
#include "common/run_environment.h"
#include "common/run_files.h"
#include "driver/instance_run.h"
#include "driver/progress.h"
#include "driver/series.h"
#include "driver/setting_table.h"
#include "exports/solution_check.h"
#include "report/manifest.h"
#include "tasks/tasks.h"
#include "trips/trips.h"

namespace gerador {

namespace {

// Folders a run makes (arquivos/, a series' instance folders); removed again, when still
// empty, unless the run committed.
class TMadeFolders {
public:
    explicit TMadeFolders(const TRunEnvironment& environment) : environment_(environment) {}
    ~TMadeFolders() {
        for (auto folder = made_.rbegin(); folder != made_.rend(); ++folder) rmdir(folder->c_str());
    }
    void make(const std::string& folder) {
        std::string path = environment_.pathOf(folder);
        if (mkdir(path.c_str(), 0777) == 0) {
            made_.push_back(path);
        } else if (errno != EEXIST) {
            throw EFileError("não foi possível criar a pasta \"" + folder + "\": " + std::strerror(errno));
        }
    }
    void keep() { made_.clear(); }

private:
    const TRunEnvironment& environment_;
    std::vector<std::string> made_;  // paths, outermost first
};

void printAfterCommit(TConsole& console, const std::string& text) {
    try {
        console.print(text);
        console.flush();
    } catch (const EFileError& error) {
        throw EFileError(std::string(error.what()) + " (os arquivos da execução já estavam gravados)");
    }
}

int runSeries(const TSettings& settings, TRunEnvironment& environment) {
    TConsole& console = *environment.console;
    // Declared first, so that a failed series removes its files before its folders.
    TMadeFolders folders(environment);
    TRunFiles files(environment);
    // The manifest lists every file with its digest.
    files.hashFiles();
    TProgress progress(settings.progress, console);
    std::vector<TManifestRow> rows;
    std::string afterCommit;
    for (std::int32_t instance = 1; instance <= settings.seriesCount; ++instance) {
        TSettings own = seriesInstanceSettings(settings, instance);
        std::string folder = seriesFolderName(instance, settings.seriesCount);
        folders.make(folder);
        if (own.tripWriteFile || own.taskWriteFile) folders.make(folder + "/arquivos");
        console.print("\n   Instância " + folder + ":\n");
        std::size_t filesBefore = files.written().size();
        // The instance writes in its folder, with a random stream of its own.
        TRunEnvironment inFolder = environment;
        inFolder.baseFolder = environment.pathOf(folder);
        files.resolveAgainst(inFolder);
        TInstanceRun run = runInstance(own, inFolder, files, true, &progress);
        files.resolveAgainst(environment);
        std::vector<TWrittenFile> written = files.written();
        std::vector<TWrittenFile> own_files(written.begin() + static_cast<std::ptrdiff_t>(filesBefore), written.end());
        for (TWrittenFile& file : own_files) file.name = folder + "/" + file.name;
        rows.push_back(
            manifestRow(folder, own.tripSeed, own.taskSeed, own.columnSeed, run.result, std::move(own_files)));
        afterCommit += "   Instância " + folder + ":\n" + run.afterCommit;
    }
    progress.clear();
    writeManifestCsv(files.create("manifest.csv"), rows);
    writeManifestJson(files.create("manifest.json"), rows, settingsJson(settings));
    commitAfterConsole(console, files);
    folders.keep();
    printAfterCommit(console, afterCommit + "   Série: " + std::to_string(settings.seriesCount) +
                     " instâncias; manifesto em manifest.csv e manifest.json.\n\n");
    return files.lateSignal();
}

}  // namespace

int runStages(const TSettings& settings, TRunEnvironment& environment) {
    if (settings.seriesCount > 0) return runSeries(settings, environment);
    // Made for the trip and task files, and removed again, when still empty, if the run fails.
    TMadeFolders folders(environment);
    if (settings.tripWriteFile || settings.taskWriteFile) folders.make("arquivos");
    TRunFiles files(environment);
    // The report lists every file with its digest.
    if (!settings.reportFileName.empty()) files.hashFiles();
    TProgress progress(settings.progress, *environment.console);
    TInstanceRun run = runInstance(settings, environment, files, false, &progress);
    progress.clear();
    // A console that fails leaves no new file behind.
    commitAfterConsole(*environment.console, files);
    folders.keep();
    printAfterCommit(*environment.console, run.afterCommit);
    return files.lateSignal();
}

bool checkSolution(const TSettings& settings, TRunEnvironment& environment) {
    TConsole& console = *environment.console;
    TClaimedSolution claimed;
    {
        std::ifstream file(settings.checkSolutionFileName, std::ios::binary);
        if (!file) {
            throw EFileError("não foi possível ler \"" + settings.checkSolutionFileName +
                             "\": " + std::strerror(errno));
        }
        try {
            claimed = readClaimedSolution(file);
        } catch (const EConvertError& error) {
            throw EConvertError(settings.checkSolutionFileName + ": " + error.what());
        }
    }
    console.print("\n");
    TGenerators generators = generatorsFor(settings, &environment);
    generators.trips->generateTrips(false, settings.tripEcho);
    generators.tasks->generateTasks(*generators.trips, false, settings.taskEcho);
    TColunas* columnGenerator = generators.columns.get();
    TTarefas* taskGenerator = generators.tasks.get();
    TSolutionCheck check(claimed, settings.model, settings.uncoveredCost);
    TColumnRunResult columnRun =
        columnGenerator->generateColumns(taskGenerator, std::vector<TColumnSink*>{&check});
    console.print(closingLinesText(columnRun.columnCount, "colunas"));
    const TSolutionVerdict& verdict = check.verdict();
    bool valid = verdict.feasible && verdict.objectiveRight;
    std::string model(modelName(settings.model));
    console.print("   Solução " + std::string(valid ? "válida" : "inválida") + " no modelo " + model +
                  ": custo recalculado " + std::to_string(verdict.recomputed) + ".\n\n");
    console.flush();
    for (const std::string& problem : verdict.problems) {
        console.message("Erro: " + settings.checkSolutionFileName + ": " + problem);
    }
    return valid;
}

}  // namespace gerador
