#include "driver/stages.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <chrono>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <nlohmann/json.hpp>

#include "columns/columns.h"
#include "common/console.h"
#include "common/exceptions.h"
#include "common/messages.h"
#include "common/output_file.h"
#include "common/point_numbers.h"
#include "common/run_environment.h"
#include "common/run_files.h"
#include "driver/instance_run.h"
#include "driver/progress.h"
#include "driver/series.h"
#include "common/output_target.h"
#include "driver/setting_rules.h"
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
            marks_.emplace_back(path);
            if (int error = syncNewFolder(path))
                throw EFileError(textf(tr("não foi possível criar a pasta \"%s\": %s"), folder.c_str(), std::strerror(error)));
        } else if (errno != EEXIST) {
            throw EFileError(textf(tr("não foi possível criar a pasta \"%s\": %s"), folder.c_str(), std::strerror(errno)));
        }
    }
    void keep() {
        made_.clear();
        marks_.clear();
    }

private:
    const TRunEnvironment& environment_;
    std::vector<std::string> made_;  // paths, outermost first
    std::vector<TFolderMark> marks_;  // so that a signal removes them too
};

// Refuses, before the first stage runs, an output whose folder cannot take it, as the file
// itself would be refused after minutes of work. Throws EFileError.
void checkOutputFolders(const TSettings& settings, const TRunEnvironment& environment) {
    for (const auto& [option, name] : outputsOf(settings)) {
        TOutputTarget target = resolveOutput(name, environment.baseFolder);
        if (target.kind != TOutputTarget::TKind::replaced || target.error != 0) continue;
        std::string folder = target.path.substr(0, std::max<std::size_t>(target.path.find_last_of('/'), 1));
        if (access(folder.c_str(), W_OK | X_OK) != 0)
            throw EFileError(textf(tr("não foi possível criar o arquivo \"%s\": %s"), shownFileName(name).c_str(),
                                   std::strerror(errno)));
    }
}

void printAfterCommit(TConsole& console, const std::string& text) {
    try {
        console.print(text);
        console.flush();
    } catch (const EFileError& error) {
        throw EFileError(textf(tr("%s (os arquivos da execução já estavam gravados)"), error.what()));
    }
}

// Makes instance k of a series in its folder and commits it with its record, on its own:
// a series cut short keeps every instance finished before. row becomes its manifest row.
// Returns the late signal.
int makeInstance(const TSettings& settings, std::int32_t instance, TRunEnvironment& environment,
                 TProgress& progress, TManifestRow& row) {
    TConsole& console = *environment.console;
    TSettings own = seriesInstanceSettings(settings, instance);
    std::string folder = seriesFolderName(instance, settings.seriesCount);
    std::chrono::steady_clock::time_point started = environment.clock();
    TMadeFolders folders(environment);
    folders.make(folder);
    if (own.tripWriteFile || own.taskWriteFile) folders.make(folder + "/arquivos");
    TRunEnvironment inFolder = environment;
    inFolder.baseFolder = environment.pathOf(folder);
    checkOutputFolders(own, inFolder);
    console.print(textf(tr("\n   Instância %s:\n"), folder.c_str()));
    // The instance writes in its folder, with a random stream of its own.
    TRunFiles files(inFolder);
    // The record lists every file with its digest.
    files.hashFiles();
    TInstanceRun run = runInstance(own, inFolder, files, true, &progress);
    progress.clear();
    std::vector<TWrittenFile> written = files.written();
    for (TWrittenFile& file : written) file.name = folder + "/" + file.name;
    row = manifestRow(folder, own.tripSeed, own.taskSeed, own.columnSeed, run.result, std::move(written));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    TRunFacts facts{std::chrono::duration<double>(environment.clock() - started).count(), usage.ru_maxrss};
    files.create(kInstanceRecordName).write(instanceRecordJson(own, row, facts).dump(2) + "\n");
    throwIfInterrupted(environment.interrupted);
    commitAfterConsole(console, files);
    folders.keep();
    printAfterCommit(console, run.afterCommit);
    return files.lateSignal();
}

// The manifest of a series from its instances' rows, as their records hold them, in
// instance order: the same bytes however the instances were made (times aside).
void writeManifest(const TSettings& settings, TRunEnvironment& environment, const std::vector<TManifestRow>& rows) {
    TPointNumbers pointNumbers;
    TRunFiles files(environment);
    writeManifestCsv(files.create("manifest.csv"), rows);
    writeManifestJson(files.create("manifest.json"), rows, settingsJson(settings));
    commitAfterConsole(*environment.console, files);
}

int runSeries(const TSettings& settings, TRunEnvironment& environment) {
    TConsole& console = *environment.console;
    TProgress progress(settings.progress, console);
    std::int32_t made = 0;
    std::int32_t kept = 0;
    std::vector<TManifestRow> rows;
    for (std::int32_t instance = 1; instance <= settings.seriesCount; ++instance) {
        if (!settings.shard.holds(instance)) continue;
        std::string folder = seriesFolderName(instance, settings.seriesCount);
        TManifestRow& row = rows.emplace_back();
        // A commit cut short in the instance's folders is finished or undone before its
        // record is read, and what dead runs left there is removed.
        for (const std::string& own : {folder, folder + "/arquivos"})
            finishInterruptedCommits(environment.pathOf(own), environment);
        if (settings.resume &&
            !instanceProblem(environment.baseFolder, folder, seriesInstanceSettings(settings, instance), row)) {
            console.print(textf(tr("\n   Instância %s: mantida (o registro e os arquivos conferem).\n"), folder.c_str()));
            ++kept;
            continue;
        }
        ++made;
        if (int signalNumber = makeInstance(settings, instance, environment, progress, row)) return signalNumber;
    }
    if (settings.shard.count > 0) {
        printAfterCommit(console, textf(tr("   Parte %d/%d da série: %d feitas, %d mantidas; o manifesto vem de "
                                           "--merge.\n\n"),
                                        settings.shard.index, settings.shard.count, made, kept));
        return 0;
    }
    // Each instance was just made or checked: its row is known without reading it again.
    writeManifest(settings, environment, rows);
    printAfterCommit(console, textf(tr("   Série: %d instâncias (%d feitas, %d mantidas); manifesto em manifest.csv e "
                                       "manifest.json.\n\n"),
                                    settings.seriesCount, made, kept));
    return 0;
}

}  // namespace

bool mergeSeries(const TSettings& settings, TRunEnvironment& environment) {
    struct stat status {};
    if (stat(environment.baseFolder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        throw EFileError(textf(tr("%s %s: a pasta não existe"), optionOf<&TSettings::mergeFolder>().c_str(),
                               settings.mergeFolder.c_str()));
    std::vector<TManifestRow> rows;
    std::vector<std::string> problems;
    for (std::int32_t instance = 1; instance <= settings.seriesCount; ++instance) {
        std::string folder = seriesFolderName(instance, settings.seriesCount);
        TManifestRow& row = rows.emplace_back();
        if (auto problem = instanceProblem(environment.baseFolder, folder, seriesInstanceSettings(settings, instance), row))
            problems.push_back(textf(tr("Instância %s: %s"), folder.c_str(), problem->c_str()));
    }
    if (problems.empty()) writeManifest(settings, environment, rows);
    TConsole& console = *environment.console;
    for (const std::string& problem : problems) console.message(errorText(problem));
    if (!problems.empty()) {
        console.message(errorText(textf(trn("%zu de %d instâncias faltam ou não conferem; nenhum manifesto foi gravado.",
                                            "%zu de %d instâncias faltam ou não conferem; nenhum manifesto foi gravado.",
                                            static_cast<unsigned long>(settings.seriesCount)),
                                        problems.size(), settings.seriesCount)));
        return false;
    }
    printAfterCommit(console, textf(trn("\n   Série: %d instância conferida; manifesto em manifest.csv e manifest.json.\n\n",
                                        "\n   Série: %d instâncias conferidas; manifesto em manifest.csv e manifest.json.\n\n",
                                        static_cast<unsigned long>(settings.seriesCount)),
                                    settings.seriesCount));
    return true;
}

int runStages(const TSettings& settings, TRunEnvironment& environment) {
    if (settings.seriesCount > 0) return runSeries(settings, environment);
    // Made for the trip and task files, and removed again, when still empty, if the run fails.
    TMadeFolders folders(environment);
    if (settings.tripWriteFile || settings.taskWriteFile) folders.make("arquivos");
    checkOutputFolders(settings, environment);
    TRunFiles files(environment);
    // The report lists every file with its digest.
    if (!settings.reportFileName.empty()) files.hashFiles();
    TProgress progress(settings.progress, *environment.console);
    TInstanceRun run = runInstance(settings, environment, files, false, &progress);
    progress.clear();
    // Past this point an interruption comes too late: the files are complete.
    throwIfInterrupted(environment.interrupted);
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
            throw EFileError(textf(tr("não foi possível ler \"%s\": %s"), settings.checkSolutionFileName.c_str(),
                                   std::strerror(errno)));
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
    console.print(closingLinesText(columnRun.columnCount, TClosingItems::columns));
    const TSolutionVerdict& verdict = check.verdict();
    bool valid = verdict.feasible && verdict.objectiveRight;
    std::string model(modelName(settings.model));
    console.print(textf(valid ? tr("   Solução válida no modelo %s: custo recalculado %lld.\n\n")
                              : tr("   Solução inválida no modelo %s: custo recalculado %lld.\n\n"),
                        model.c_str(), static_cast<long long>(verdict.recomputed)));
    console.flush();
    for (const std::string& problem : verdict.problems) {
        console.message(errorText(settings.checkSolutionFileName + ": " + problem));
    }
    return valid;
}

}  // namespace gerador
