// The program: reads the command line, then runs the trip, task and column stages in
// order and waits for one character.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "columns/columns.h"
#include "common/console.h"
#include "common/messages.h"
#include "common/output_file.h"
#include "common/run_files.h"
#include "common/run_environment.h"
#include "driver/command_line.h"
#include "driver/process_setup.h"
#include "driver/setting_table.h"
#include "driver/stages.h"

using namespace gerador;

namespace {

// Removes the folders a failed run made, innermost first, when they are still empty.
void removeEmptyFolders(const std::vector<std::string>& made) {
    for (auto folder = made.rbegin(); folder != made.rend(); ++folder) rmdir(folder->c_str());
}

// Makes folder and its missing parents, like mkdir -p, each on the disk in its parent;
// returns those it made, outermost first. error becomes the reason the first folder that
// could not be made failed (EACCES in a read-only parent), or 0.
std::vector<std::string> makeFolders(const std::string& folder, int& error) {
    std::vector<std::string> made;
    error = 0;
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        std::string part = folder.substr(0, slash);
        if (!part.empty() && mkdir(part.c_str(), 0777) == 0) {
            made.push_back(part);
            if (error == 0) error = syncNewFolder(part);
        } else if (!part.empty() && errno != EEXIST && error == 0) {
            error = errno;
        }
        if (slash == std::string::npos) break;
    }
    return made;
}

// Makes the folder of -C when missing, and checks the output names there; a refused
// command line leaves no folder it made. Returns the folders it made, outermost first.
// Throws ECommandLineError.
std::vector<std::string> prepareRunFolder(const TSettings& settings) {
    if (settings.directory.empty()) {
        refuseClashingOutputs(settings);
        return {};
    }
    int madeError = 0;
    std::vector<std::string> made = makeFolders(settings.directory, madeError);
    try {
        struct stat status {};
        int error = stat(settings.directory.c_str(), &status) != 0 ? (madeError != 0 ? madeError : errno)
                    : !S_ISDIR(status.st_mode)                     ? ENOTDIR
                    : access(settings.directory.c_str(), W_OK | X_OK) != 0 ? errno
                                                                           : 0;
        if (error != 0) {
            throw ECommandLineError(errorText(textf("%s %s: %s", optionOf<&TSettings::directory>().c_str(),
                                                    settings.directory.c_str(), std::strerror(error))));
        }
        refuseClashingOutputs(settings);
    } catch (const ECommandLineError&) {
        removeEmptyFolders(made);
        throw;
    }
    return made;
}

// Temporary files that could not be removed are named, so the user can.
void reportLeftovers() {
    for (const std::string& note : takeLeftoverNotes()) {
        std::fprintf(stderr, "%s\n", warningText(note).c_str());
    }
}

}  // namespace

#ifdef GERADOR_FAULTS
// A test build's hook: makes the file operations the process environment names fail.
TFaultHook faultHooks();
#endif

int main(int argc, char* argv[]) {
    TRunEnvironment environment;
#ifdef GERADOR_FAULTS
    environment.faultHook = faultHooks();
#endif
    prepareProcess();
    chooseLanguage(languageOnCommandLine(argc, argv));
    TCommandLine commandLine;
    int status = 0;
    std::vector<std::string> madeFolders;  // by -C, removed again when the run fails
    std::vector<TFolderMark> folderMarks;  // the same, for a signal
    try {
        commandLine = parseCommandLine(argc, argv);
        chooseLanguage(commandLine.settings.language);
        // A check writes nothing, so it makes no folder.
        const TSettings& settings = commandLine.settings;
        // A check and a merge write nothing of an instance, so they make no folder.
        if (commandLine.action == TCommandLine::TAction::run && settings.checkSolutionFileName.empty() &&
            settings.mergeFolder.empty())
            madeFolders = prepareRunFolder(settings);
        for (const std::string& folder : madeFolders) folderMarks.emplace_back(folder);
        environment.baseFolder = settings.directory;
        if (!settings.mergeFolder.empty()) environment.baseFolder = environment.pathOf(settings.mergeFolder);
    } catch (const ECommandLineError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 2;
    }
    try {
        switch (commandLine.action) {
            case TCommandLine::TAction::help: environment.console->print(helpText()); break;
            case TCommandLine::TAction::version: environment.console->print(versionText()); break;
            case TCommandLine::TAction::run:
                if (!commandLine.settings.mergeFolder.empty()) {
                    if (!mergeSeries(commandLine.settings, environment)) status = 1;
                    break;
                }
                if (!commandLine.settings.checkSolutionFileName.empty()) {
                    if (!checkSolution(commandLine.settings, environment)) status = 1;
                    break;
                }
                // A signal that came after the files were complete stops nothing but the wait.
                if (runStages(commandLine.settings, environment) != 0) commandLine.settings.waitForKey = false;
                break;
        }
        environment.console->flush();
    } catch (const std::bad_alloc&) {
        environment.console->message(
            errorText(tr("a memória acabou; uma instância menor, --max-tasks menor ou --threads 1 pedem menos.")));
        reportLeftovers();
        removeEmptyFolders(madeFolders);
        return 1;
    } catch (const EColumnLimit& error) {
        environment.console->message(errorText(error.textNaming(optionOf<&TSettings::maxColumns>())));
        reportLeftovers();
        removeEmptyFolders(madeFolders);
        return 1;
    } catch (const std::exception& error) {
        environment.console->message(errorText(error.what()));
        reportLeftovers();
        removeEmptyFolders(madeFolders);
        return 1;
    }
    reportLeftovers();
    if (commandLine.action == TCommandLine::TAction::run && commandLine.settings.waitForKey) std::getchar();
    return status;
}
