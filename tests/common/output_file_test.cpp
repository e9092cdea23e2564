#include "common/output_file.h"

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "common/exceptions.h"
#include "common/run_files.h"
#include "driver/process_setup.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

constexpr TOutputFile::TWriting kWritings[] = {TOutputFile::TWriting::inCaller, TOutputFile::TWriting::inBackground};

TEST(OutputFile, CommitLeavesExactlyTheFinalFile) {
    for (TOutputFile::TWriting writing : kWritings) {
        TTemporaryFolder folder;
        auto name = (folder.path() / "out.txt").string();
        std::string expected;
        {
            TRunFiles files;
            TOutputFile& file = files.create(name, 4, writing);  // a tiny buffer: writes pass through it many times
            for (int line = 0; line < 200; ++line) {
                std::string text = "line " + std::to_string(line) + "\n";
                file.write(text);
                file.write("");
                expected += text;
            }
            files.commit();
        }
        EXPECT_EQ(readFile(name), expected);
        EXPECT_EQ(entriesOf(folder.path()), std::vector<std::string>{"out.txt"});
    }
}

TEST(OutputFile, RewindOverwritesFromTheFirstByte) {
    for (TOutputFile::TWriting writing : kWritings) {
        TTemporaryFolder folder;
        auto name = (folder.path() / "out.txt").string();
        TRunFiles files;
        TOutputFile& file = files.create(name, 8, writing);
        file.write("150\n          \ntail\n");
        file.rewind();
        file.write("150\n42");
        EXPECT_EQ(file.size(), 20u);
        files.commit();
        EXPECT_EQ(readFile(name), "150\n42        \ntail\n");
    }
}

TEST(OutputFile, AbandonedFileKeepsTheEarlierOne) {
    TTemporaryFolder folder;
    auto name = (folder.path() / "out.txt").string();
    writeFile(name, "earlier run\n");
    {
        TOutputFile file(name);
        file.write("half of a new ru");
    }
    EXPECT_EQ(readFile(name), "earlier run\n");
    EXPECT_EQ(entriesOf(folder.path()), std::vector<std::string>{"out.txt"});
}

TEST(OutputFile, MissingFolderIsReportedWithTheFileName) {
    TTemporaryFolder folder;
    auto name = (folder.path() / "missing" / "out.txt").string();
    try {
        TOutputFile file(name);
        FAIL() << "created a file in a missing folder";
    } catch (const EFileError& error) {
        EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("No such file or directory"), std::string::npos) << error.what();
    }
}

TEST(OutputFile, GetsThePermissionsOfAPlainFopenAndLeavesTheUmaskAlone) {
    TTemporaryFolder folder;
    auto name = (folder.path() / "out.txt").string();
    mode_t previous = umask(027);
    {
        TRunFiles files;
        files.create(name);
        files.commit();
    }
    EXPECT_EQ(umask(previous), 027u);
    struct stat status {};
    ASSERT_EQ(stat(name.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);

    // A file that replaces an earlier one keeps its permissions (a 0600 file became 0644).
    ASSERT_EQ(chmod(name.c_str(), 0600), 0);
    {
        TRunFiles files;
        files.create(name).write("new\n");
        files.commit();
    }
    ASSERT_EQ(stat(name.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(readFile(name), "new\n");
}

// A signal in the middle of a file ends the process as the signal would, and leaves no
// temporary file behind: every signal whose default action ends the process (SIGQUIT and
// the others once left 1.6 GB behind), and however many files are open (a series of ten
// instances once failed on a table of 64).
TEST(OutputFile, SignalsRemoveTheTemporaryFiles) {
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU,
                             SIGRTMIN + 3}) {
        TTemporaryFolder folder;
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            prepareProcess();
            std::vector<std::unique_ptr<TOutputFile>> files;
            for (int file = 0; file < 150; ++file) {
                files.push_back(std::make_unique<TOutputFile>((folder.path() / std::to_string(file)).string()));
                // Closed, as a series closes its finished files: only the slots pile up.
                files.back()->write("part of a file\n");
                files.back()->finish();
            }
            // A slot freed in the middle is taken again.
            files[70].reset();
            files.push_back(std::make_unique<TOutputFile>((folder.path() / "last").string()));
            raise(signalNumber);
            _exit(0);  // not reached
        }
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << signalNumber;
        EXPECT_TRUE(entriesOf(folder.path()).empty()) << signalNumber;
    }
}

}  // namespace
