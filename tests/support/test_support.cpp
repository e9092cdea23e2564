#include "support/test_support.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace gerador {

bool toolsMissing(std::initializer_list<const char*> programs) {
    for (const char* program : programs) {
        std::string probe = std::string("command -v ") + program + " > /dev/null 2>&1";
        if (std::system(probe.c_str()) == 0) continue;
        const char* ci = std::getenv("CI");
        if (ci != nullptr && std::string(ci) == "true") {
            ADD_FAILURE() << program << " is missing under CI";
        } else {
            std::cout << "[  SKIPPED ] " << program << " is not installed\n";
        }
        return true;
    }
    return false;
}

namespace fs = std::filesystem;

TTemporaryFolder::TTemporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "gerador_test_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TTemporaryFolder::~TTemporaryFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

TWorkingDirectory::TWorkingDirectory(const fs::path& folder) : previous_(fs::current_path()) {
    fs::current_path(folder);
}

TWorkingDirectory::~TWorkingDirectory() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
}

TStartedProgram::TStartedProgram(const fs::path& folder, const TRunOptions& options) {
    // Captured outside the folder, so the program's folder holds only what it made.
    char pattern[] = "/tmp/gerador_capture_XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    captures_ = pattern;
    fs::path outPath = captures_ / "stdout";
    fs::path errPath = captures_ / "stderr";
    std::vector<std::string> words{options.program};
    words.insert(words.end(), options.arguments.begin(), options.arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment = options.environment;
    child_ = fork();
    if (child_ < 0) throw std::runtime_error("fork failed");
    if (child_ == 0) {
        if (chdir(folder.c_str()) != 0) _exit(126);
        int input = open("/dev/null", O_RDONLY);
        int output = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int errors = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (options.outputToClosedPipe) {
            int ends[2];
            if (pipe(ends) != 0) _exit(126);
            close(ends[0]);
            output = ends[1];
        }
        if (options.inputFromOpenPipe) {
            int ends[2];
            if (pipe(ends) != 0) _exit(126);
            input = ends[0];  // the program itself keeps the writing end open: no end of input
        }
        dup2(input, 0);
        dup2(output, 1);
        dup2(errors, 2);
        for (int descriptor : options.closedDescriptors) close(descriptor);
        for (int signalNumber : options.ignoredSignals) signal(signalNumber, SIG_IGN);
        if (options.fileSizeLimit >= 0) {
            rlimit limit{static_cast<rlim_t>(options.fileSizeLimit), static_cast<rlim_t>(options.fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        // The program speaks as a bare environment makes it (C: the Portuguese ids) unless
        // the test sets a language itself.
        for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) unsetenv(variable);
        for (std::string& variable : environment) putenv(variable.data());
        alarm(options.timeoutSeconds);
        execv(argv[0], argv.data());
        _exit(127);
    }
}

TProgramResult TStartedProgram::wait() {
    int status = 0;
    waitpid(child_, &status, 0);
    TProgramResult result;
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.standardOutput = readFile(captures_ / "stdout");
    result.standardError = readFile(captures_ / "stderr");
    std::error_code ignored;
    fs::remove_all(captures_, ignored);
    return result;
}

TProgramResult runProgram(const fs::path& folder, const TRunOptions& options) {
    return TStartedProgram(folder, options).wait();
}

TRunOptions withArguments(std::vector<std::string> arguments) {
    TRunOptions options;
    options.arguments = std::move(arguments);
    return options;
}

std::string sha256Of(const fs::path& file) {
    std::string command = "sha256sum '" + file.string() + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) throw std::runtime_error("sha256sum failed");
    char digest[65] = {};
    std::size_t read = fread(digest, 1, 64, pipe);
    pclose(pipe);
    return std::string(digest, read);
}

std::string readFile(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

void writeFile(const fs::path& file, const std::string& text) {
    std::ofstream stream(file, std::ios::binary);
    stream << text;
}

std::vector<std::string> entriesOf(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return lines;
}

void makeDeviceNode(const std::filesystem::path& folder, const std::string& name, unsigned major, unsigned minor) {
    std::filesystem::path node = folder / name;
    if (mknod(node.c_str(), S_IFCHR | 0666, makedev(major, minor)) == 0) return;
    std::filesystem::create_symlink("/dev/" + name, node);
}

}  // namespace gerador
