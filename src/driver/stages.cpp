#include "driver/stages.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <nlohmann/json.hpp>

#include "columns/columns.h"
#include "common/console.h"
#include "common/exceptions.h"
#include "common/run_files.h"
#include "driver/instance_run.h"
#include "driver/progress.h"
#include "driver/setting_table.h"
#include "exports/solution_check.h"
#include "report/manifest.h"
#include "tasks/tasks.h"
#include "trips/trips.h"

namespace gerador {

namespace {

// The name of instance k's folder: its number, with at least three digits.
std::string seriesFolder(std::int32_t instance, std::int32_t instances) {
    std::size_t width = std::max<std::size_t>(3, std::to_string(instances).size());
    std::string number = std::to_string(instance);
    return std::string(width - number.size(), '0') + number;
}

// Folders a series makes for its instances; removed again, when still empty, unless the
// series committed.
class TMadeFolders {
public:
    ~TMadeFolders() {
        for (auto folder = made_.rbegin(); folder != made_.rend(); ++folder) rmdir(folder->c_str());
    }
    void make(const std::string& folder) {
        if (mkdir(folder.c_str(), 0777) == 0) {
            made_.push_back(folder);
        } else if (errno != EEXIST) {
            throw EFileError("não foi possível criar a pasta \"" + folder + "\": " + std::strerror(errno));
        }
    }
    void keep() { made_.clear(); }

private:
    std::vector<std::string> made_;
};

// Works in a folder while it lives: an instance of a series writes its files there.
class TInFolder {
public:
    explicit TInFolder(const std::string& folder) {
        if (chdir(folder.c_str()) != 0) {
            throw EFileError("não foi possível entrar na pasta \"" + folder + "\": " + std::strerror(errno));
        }
    }
    ~TInFolder() {
        if (chdir("..") != 0) std::perror("Erro: não foi possível voltar à pasta da série");
    }
    TInFolder(const TInFolder&) = delete;
    TInFolder& operator=(const TInFolder&) = delete;
};

void printAfterCommit(const std::string& text) {
    try {
        printText(text);
        flushConsole();
    } catch (const EFileError& error) {
        throw EFileError(std::string(error.what()) + " (os arquivos da execução já estavam gravados)");
    }
}

void runSeries(const TSettings& settings) {
    // Declared first, so that a failed series removes its files before its folders.
    TMadeFolders folders;
    TRunFiles files;
    // The manifest lists every file with its digest.
    files.hashFiles();
    TProgress progress(settings.progress);
    std::vector<TManifestRow> rows;
    std::string afterCommit;
    for (std::int32_t instance = 1; instance <= settings.seriesCount; ++instance) {
        TSettings own = settings;
        auto offset = static_cast<std::uint32_t>(instance - 1);
        own.tripSeed += offset;
        own.taskSeed += offset;
        own.columnSeed += offset;
        std::string folder = seriesFolder(instance, settings.seriesCount);
        folders.make(folder);
        if (own.tripWriteFile || own.taskWriteFile) folders.make(folder + "/arquivos");
        printText("\n   Instância " + folder + ":\n");
        std::size_t filesBefore = files.written().size();
        TInstanceRun run;
        {
            TInFolder inside(folder);
            run = runInstance(own, files, true, &progress);
        }
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
    commitAfterConsole(files);
    folders.keep();
    printAfterCommit(afterCommit + "   Série: " + std::to_string(settings.seriesCount) +
                     " instâncias; manifesto em manifest.csv e manifest.json.\n\n");
}

}  // namespace

void runStages(const TSettings& settings) {
    if (settings.seriesCount > 0) {
        runSeries(settings);
        return;
    }
    TRunFiles files;
    // The report lists every file with its digest.
    if (!settings.reportFileName.empty()) files.hashFiles();
    TProgress progress(settings.progress);
    TInstanceRun run = runInstance(settings, files, false, &progress);
    progress.clear();
    // A console that fails leaves no new file behind.
    commitAfterConsole(files);
    printAfterCommit(run.afterCommit);
}

bool checkSolution(const TSettings& settings) {
    TClaimedSolution claimed;
    {
        std::ifstream file(settings.checkSolutionFileName, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        if (!file) throw EFileError("não foi possível ler \"" + settings.checkSolutionFileName + "\"");
        claimed = readClaimedSolution(text.str());
    }
    printText("\n");
    TGenerators generators = generatorsFor(settings);
    generators.trips->generateTrips(false, settings.tripEcho);
    generators.tasks->generateTasks(*generators.trips, false, settings.taskEcho);
    TColunas* columnGenerator = generators.columns.get();
    TTarefas* taskGenerator = generators.tasks.get();
    TSolutionCheck check(claimed, settings.model, settings.uncoveredCost);
    TColumnRunResult columnRun =
        columnGenerator->generateColumns(taskGenerator, std::vector<TColumnSink*>{&check});
    printClosingLines(columnRun.columnCount, "colunas");
    const TSolutionVerdict& verdict = check.verdict();
    bool valid = verdict.feasible && verdict.objectiveRight;
    std::string model(modelName(settings.model));
    printText("   Solução " + std::string(valid ? "válida" : "inválida") + " no modelo " + model +
              ": custo recalculado " + std::to_string(verdict.recomputed) + ".\n\n");
    flushConsole();
    for (const std::string& problem : verdict.problems) {
        std::fprintf(stderr, "Erro: %s: %s\n", settings.checkSolutionFileName.c_str(), problem.c_str());
    }
    return valid;
}

}  // namespace gerador
