// The program: reads the command line, then runs the trip, task and column stages in
// order and waits for one character.
#include <cerrno>
#include <cstdio>
#include <exception>
#include <sys/stat.h>
#include <unistd.h>

#include "common/console.h"
#include "driver/command_line.h"
#include "driver/process_setup.h"

namespace {

// Moves into the folder of -C and makes arquivos/ when a trip or task file is asked for.
// Returns false with a message when that cannot be done.
bool prepareFolder(const TCommandLine& commandLine) {
    if (!commandLine.directory.empty() && chdir(commandLine.directory.c_str()) != 0) {
        std::perror(("Erro: --directory " + commandLine.directory).c_str());
        return false;
    }
    const TSettings& settings = commandLine.settings;
    if ((settings.tripWriteFile || settings.taskWriteFile) && mkdir("arquivos", 0777) != 0 && errno != EEXIST) {
        std::perror("Erro: não foi possível criar a pasta \"arquivos\"");
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    prepareProcess();
    TCommandLine commandLine;
    try {
        commandLine = parseCommandLine(argc, argv);
    } catch (const ECommandLineError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 2;
    }
    try {
        switch (commandLine.action) {
            case TCommandLine::TAction::help: printText(helpText()); break;
            case TCommandLine::TAction::version: printText(versionText()); break;
            case TCommandLine::TAction::run:
                if (!prepareFolder(commandLine)) return 1;
                runStages(commandLine.settings);
                break;
        }
        flushConsole();
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "Erro: %s\n", error.what());
        return 1;
    }
    if (commandLine.action == TCommandLine::TAction::run && commandLine.waitForKey) std::getchar();
    return 0;
}
