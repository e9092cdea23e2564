#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace gerador {

// True when one of the programs is not installed: the caller then skips, except under CI
// (CI=true), where this has already failed the test.
bool toolsMissing(std::initializer_list<const char*> programs);

// A fresh folder under the system's temporary folder, removed with its contents at the end.
class TTemporaryFolder {
public:
    TTemporaryFolder();
    ~TTemporaryFolder();
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Makes a folder the working directory while the object lives (generators write
// their files relative to it).
class TWorkingDirectory {
public:
    explicit TWorkingDirectory(const std::filesystem::path& folder);
    ~TWorkingDirectory();

private:
    std::filesystem::path previous_;
};

struct TProgramResult {
    int exitStatus = -1;  // -1 when the program did not exit normally
    std::string standardOutput;
    std::string standardError;
};

struct TRunOptions {
    std::vector<std::string> arguments;
    std::string program = GERADOR_PATH;    // or the test build with fault hooks, GERADOR_FAULTS_PATH
    // "NAME=value" added to the program's environment, from which the locale variables
    // (LANGUAGE, LC_ALL, LC_MESSAGES, LANG) are removed first.
    std::vector<std::string> environment;
    // Caps every file the program writes, as a full disk would; by default large enough
    // for the standard run, so that a regression fails instead of filling the disk.
    long long fileSizeLimit = 256LL << 20;
    std::vector<int> closedDescriptors;  // closed before the program starts
    bool outputToClosedPipe = false;     // standard output is a pipe that nobody reads
    bool inputFromOpenPipe = false;      // standard input is a pipe that stays open and empty
    std::vector<int> ignoredSignals;     // the program starts with these ignored
    unsigned timeoutSeconds = 60;        // then the program is ended by SIGALRM
};

// Options with only the arguments set.
TRunOptions withArguments(std::vector<std::string> arguments);

// Runs the program in folder with standard input at its end.
TProgramResult runProgram(const std::filesystem::path& folder, const TRunOptions& options = {});

// The same in two steps, so that runs can overlap.
class TStartedProgram {
public:
    TStartedProgram(const std::filesystem::path& folder, const TRunOptions& options);
    TProgramResult wait();

private:
    std::filesystem::path captures_;
    int child_ = -1;
};

// Makes folder/name a character device like /dev/null (major 1, minor 3) or /dev/full
// (1, 7), so that a fault in device handling replaces the test's node, never the
// machine's. Without the right to make one (not root), a link to the machine's device.
void makeDeviceNode(const std::filesystem::path& folder, const std::string& name, unsigned major, unsigned minor);

// SHA-256 of a file, in lower-case hexadecimal.
std::string sha256Of(const std::filesystem::path& file);

std::string readFile(const std::filesystem::path& file);
void writeFile(const std::filesystem::path& file, const std::string& text);
// Names of the entries of a folder, sorted.
std::vector<std::string> entriesOf(const std::filesystem::path& folder);
// Splits text into lines at '\n'; a text ending in '\n' gives no empty last line.
std::vector<std::string> linesOf(const std::string& text);

}  // namespace gerador
