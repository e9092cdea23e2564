#pragma once

#include <stdexcept>
#include <string>

#include "driver/settings.h"

namespace gerador {

// What the command line asks for.
struct TCommandLine {
    enum class TAction { run, help, version };
    TAction action = TAction::run;
    TSettings settings;
};

// A command line that cannot be run; the message names the option and its value.
class ECommandLineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads GNU-style options into settings; no arguments give the standard run.
// Throws ECommandLineError for an unknown option, a missing or malformed value or a
// value out of its range, before anything is run or written.
TCommandLine parseCommandLine(int argc, char* const argv[]);

// The language --language asks for, read before the rest of the command line so that its
// errors already speak it; the environment's when the option is not given in full.
TLanguage languageOnCommandLine(int argc, char* const argv[]);

// Checks the run's output files against the file system, from the folder the run writes
// in (settings.directory, or the working folder): two outputs that are one file (by any name or link), an output that is a folder.
// Throws ECommandLineError naming both options, before anything is written.
void refuseClashingOutputs(const TSettings& settings);

// The text of --help: what the program does, every option with its default, examples.
std::string helpText();

// The text of --version.
std::string versionText();

}  // namespace gerador
