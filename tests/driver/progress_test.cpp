#include "driver/progress.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/console.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

// 340 million chains; --max-columns ends the run. With every offer written the run would
// stop before it starts: a draw makes the count uncertain.
std::vector<std::string> explodingRun(long maxColumns) {
    return {"--count", "250", "--accept-percent", "98", "--no-column-write-file",
            "--no-column-echo", "--mps", "null", "--threads", "1", "--max-columns", std::to_string(maxColumns),
            "--no-wait"};
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The progress line needs a run of more than a second, whatever this build's speed (a
// sanitizer build is ten times slower) and the load of the moment: a short probe sizes a
// run of about three seconds, and a run that still ends within 1.5 seconds (the probe ran
// under a load that has gone) is tried again three times longer. Returns the last run's
// result.
template <class Attempt>
auto inALongRun(Attempt attempt) {
    static const long probedColumns = [] {
        TTemporaryFolder folder;
        makeDeviceNode(folder.path(), "null", 1, 3);
        constexpr long probeColumns = 2000000;
        auto start = std::chrono::steady_clock::now();
        runProgram(folder.path(), withArguments(explodingRun(probeColumns)));
        return static_cast<long>(probeColumns * 3.0 / std::max(secondsSince(start), 0.01));
    }();
    long columns = probedColumns;
    for (int tries = 1;; ++tries, columns *= 3) {
        auto start = std::chrono::steady_clock::now();
        auto result = attempt(explodingRun(columns));
        if (secondsSince(start) >= 1.5 || tries == 3) return result;
    }
}

std::string shellQuoted(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) line += " '" + word + "'";
    return line;
}

std::string capturePane() {
    std::string text;
    FILE* pipe = popen("tmux capture-pane -p -t gerador_progress_test 2>/dev/null", "r");
    if (pipe == nullptr) return text;
    char buffer[4096];
    while (std::size_t read = fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, read);
    pclose(pipe);
    return text;
}

// Puts a terminal (the slave of a new pseudo-terminal) on this process's standard error
// while it lives, and gathers what reaches it.
class TTerminalOnStandardError {
public:
    TTerminalOnStandardError() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        int slave = open(ptsname(master_), O_RDWR | O_NOCTTY);
        if (slave < 0) return;
        std::fflush(stderr);
        savedError_ = dup(STDERR_FILENO);
        dup2(slave, STDERR_FILENO);
        close(slave);
    }
    ~TTerminalOnStandardError() {
        if (savedError_ >= 0) {
            std::fflush(stderr);
            dup2(savedError_, STDERR_FILENO);
            close(savedError_);
        }
        if (master_ >= 0) close(master_);
    }
    bool ready() const { return savedError_ >= 0; }
    // Everything shown so far; reading also keeps the terminal's buffer from filling.
    const std::string& shown() {
        char buffer[4096];
        for (ssize_t read = 0; (read = ::read(master_, buffer, sizeof buffer)) > 0;) text_.append(buffer, read);
        return text_;
    }

private:
    int master_ = -1;
    int savedError_ = -1;
    std::string text_;
};

// On a terminal the line shows by itself, but never in the first second (short runs would
// flash it) and never when refused; the line belongs on standard error, where the terminal
// is. Feeds the progress as a run would, each line tagged by its stage.
TEST(Progress, OnATerminalWaitsASecondAndNeverShowsWhenRefused) {
    TTerminalOnStandardError terminal;
    ASSERT_TRUE(terminal.ready()) << "no pseudo-terminal";
    auto start = std::chrono::steady_clock::now();
    {
        TProgress byDefault(std::nullopt, standardConsole());
        TProgress refused(false, standardConsole());
        byDefault.stage("por omissao");
        refused.stage("recusada");
        bool shownEarly = false;
        while (secondsSince(start) < 3 && terminal.shown().find("por omissao") == std::string::npos) {
            byDefault.columns(1000, nullptr);
            refused.columns(1000, nullptr);
            // The line waits a second from the start: shown before then, wrongly.
            if (terminal.shown().find("por omissao") != std::string::npos && secondsSince(start) < 1.0)
                shownEarly = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_FALSE(shownEarly);
    }
    EXPECT_NE(terminal.shown().find("por omissao: "), std::string::npos) << terminal.shown();
    EXPECT_EQ(terminal.shown().find("recusada"), std::string::npos) << terminal.shown();
}

// In a real terminal (tmux) the progress line shows while the run goes and is gone when it
// ends, leaving the run's own lines.
TEST(Progress, ShowsInATerminalAndIsClearedAtTheEnd) {
    if (toolsMissing({"tmux"})) GTEST_SKIP();
    TTemporaryFolder folder;
    makeDeviceNode(folder.path(), "null", 1, 3);
    auto [sawProgress, pane] = inALongRun([&](const std::vector<std::string>& run) {
        std::string command =
            "cd '" + folder.path().string() + "' && '" GERADOR_PATH "'" + shellQuoted(run) + "; echo fim; sleep 60";
        std::system("tmux kill-session -t gerador_progress_test > /dev/null 2>&1");
        std::pair<bool, std::string> seen{false, ""};
        if (std::system(("tmux new-session -d -s gerador_progress_test -x 160 -y 40 \"" + command + "\"").c_str()) != 0)
            return seen;
        for (int tick = 0; tick < 300 && seen.second.find("fim") == std::string::npos; ++tick) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            seen.second = capturePane();
            seen.first = seen.first || seen.second.find("colunas/s") != std::string::npos;
        }
        std::system("tmux kill-session -t gerador_progress_test > /dev/null 2>&1");
        return seen;
    });
    EXPECT_TRUE(sawProgress) << pane;
    EXPECT_NE(pane.find("fim"), std::string::npos) << "the run did not end";
    EXPECT_EQ(pane.find("colunas/s"), std::string::npos) << "the line stays:\n" << pane;
    EXPECT_NE(pane.find("o limite de --max-columns"), std::string::npos) << pane;
}

// Logs stay clean: no progress when standard error is a file, unless asked for.
TEST(Progress, OnlyOnATerminalUnlessAskedFor) {
    TTemporaryFolder folder;
    makeDeviceNode(folder.path(), "null", 1, 3);
    TProgramResult quiet = inALongRun([&](const std::vector<std::string>& run) {
        return runProgram(folder.path(), withArguments(run));
    });
    EXPECT_EQ(quiet.standardError.find("colunas/s"), std::string::npos) << quiet.standardError;
    EXPECT_EQ(quiet.standardError.find('\r'), std::string::npos);
    TProgramResult shown = inALongRun([&](std::vector<std::string> run) {
        run.push_back("--progress");
        return runProgram(folder.path(), withArguments(run));
    });
    EXPECT_NE(shown.standardError.find("colunas/s"), std::string::npos) << shown.standardError;
    EXPECT_EQ(shown.standardOutput.find("colunas/s"), std::string::npos) << "the line is for standard error only";
}

}  // namespace
