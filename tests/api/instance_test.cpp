#include "api/gerador.h"

#include <thread>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include "columns/columns.h"
#include "support/test_support.h"
#include "tasks/tasks.h"

using namespace gerador;

namespace {

// What a run left: its console text and the digest of each file it wrote.
struct TRunTrace {
    std::string console;
    std::vector<std::string> digests;
    bool operator==(const TRunTrace&) const = default;
};

const std::vector<std::string> kFiles = {"150_3304438.txt", "i.mps", "tarefas.csv", "arquivos/viagens.txt"};

TSettings settingsWithSeed(std::uint32_t seed) {
    TSettings settings;
    settings.count = 60;
    settings.maxTasks = 6;
    settings.taskSeed = seed;
    settings.columnSeed = seed;
    settings.mpsFileName = "i.mps";
    settings.tasksCsvFileName = "tarefas.csv";
    settings.tripWriteFile = true;
    settings.threads = 2;
    return settings;
}

TRunTrace runIn(const std::filesystem::path& folder, const TSettings& settings) {
    TTextConsole console;
    TRunEnvironment environment;
    environment.console = &console;
    environment.baseFolder = folder.string();
    runSettings(settings, environment);
    TRunTrace trace{console.output(), {}};
    for (const std::string& name : kFiles) trace.digests.push_back(sha256Of(folder / name));
    return trace;
}

// Two runs at once on two threads of one process, each in its own folder, give the bytes
// and the console of the same runs one after the other: nothing of one reaches the other.
TEST(Library, TwoRunsAtOnceGiveTheBytesOfOneAfterTheOther) {
    TTemporaryFolder folder;
    std::filesystem::create_directories(folder.path() / "a1");
    std::filesystem::create_directories(folder.path() / "b1");
    std::filesystem::create_directories(folder.path() / "a2");
    std::filesystem::create_directories(folder.path() / "b2");
    TRunTrace first = runIn(folder.path() / "a1", settingsWithSeed(1));
    TRunTrace second = runIn(folder.path() / "b1", settingsWithSeed(2));
    ASSERT_NE(first.digests, second.digests);

    TRunTrace firstAtOnce;
    TRunTrace secondAtOnce;
    std::thread other([&] { secondAtOnce = runIn(folder.path() / "b2", settingsWithSeed(2)); });
    firstAtOnce = runIn(folder.path() / "a2", settingsWithSeed(1));
    other.join();
    EXPECT_EQ(firstAtOnce, first);
    EXPECT_EQ(secondAtOnce, second);
    // Nothing went to the working folder.
    EXPECT_FALSE(std::filesystem::exists("150_3304438.txt"));
}

// An instance made through the front door holds what the program writes: the same tasks,
// and the same number of columns as the command line's run counts.
TEST(Library, InstanceRunsItsColumnsIntoAnOutput) {
    TSettings settings;
    settings.count = 40;
    settings.maxTasks = 5;
    TTextConsole console;
    TRunEnvironment environment;
    environment.console = &console;
    TInstance instance(settings, environment);
    EXPECT_EQ(instance.tasks().tasks.size(), 40u);

    struct TCounter : TColumnSink {
        std::int64_t columns = 0;
        std::int64_t nonzeros = 0;
        void begin(const TColumnRunInfo&) override {}
        void add(const TPricedColumn& column) override {
            ++columns;
            nonzeros += static_cast<std::int64_t>(column.tasks->size());
        }
        void end(std::int32_t) override {}
    } counter;
    TColumnRunResult result = instance.runColumns({&counter});
    EXPECT_EQ(counter.columns, result.columnCount);

    TTemporaryFolder folder;
    TProgramResult run = runProgram(folder.path(), withArguments({"--count", "40", "--max-tasks", "5", "--no-wait"}));
    ASSERT_EQ(run.exitStatus, 0);
    std::vector<std::string> lines = linesOf(readFile(folder.path() / "150_3304438.txt"));
    EXPECT_EQ(std::stoll(lines.at(1)), counter.columns);
}

// A caller's interruption stops the column search, a solve, and a run without columns
// before its commit; the run leaves no file and no folder.
TEST(Library, AnInterruptionStopsTheWorkBeforeAnyFileIsCommitted) {
    std::atomic<bool> interrupted{false};
    TTextConsole console;
    TRunEnvironment environment;
    environment.console = &console;
    environment.interrupted = &interrupted;
    TInstance instance(settingsWithSeed(1), environment);
    interrupted = true;
    EXPECT_THROW(instance.runColumns({}), EInterrupted);
    if (solverAvailable()) {
        EXPECT_THROW(instance.solve({}), EInterrupted);
    }
    TSettings withoutTasks = settingsWithSeed(1);
    withoutTasks.count = 0;
    for (const TSettings& settings : {settingsWithSeed(1), withoutTasks}) {
        TTemporaryFolder folder;
        environment.baseFolder = folder.path().string();
        EXPECT_THROW(runSettings(settings, environment), EInterrupted);
        EXPECT_TRUE(entriesOf(folder.path()).empty());
    }
}

TEST(Library, SettingsThatBreakARuleAreRefusedWithTheCommandLineWords) {
    TSettings settings;
    settings.minTasks = 20;
    settings.maxTasks = 13;
    TRunEnvironment environment;
    try {
        TInstance instance(settings, environment);
        ADD_FAILURE() << "accepted";
    } catch (const ESettingsError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("--max-tasks 13: ", 0), 0u) << error.what();
    }
    EXPECT_FALSE(settingsProblem(TSettings()).has_value());
}

TEST(Library, SeriesInstancesAndTheirFolders) {
    const struct {
        std::int32_t instance;
        std::int32_t instances;
        const char* folder;
    } rows[] = {{1, 3, "001"}, {42, 999, "042"}, {42, 1000, "0042"}, {1000, 1000, "1000"}, {7, 10000, "00007"}};
    for (const auto& row : rows) EXPECT_EQ(seriesFolderName(row.instance, row.instances), row.folder);

    TSettings series;
    series.tripSeed = 4294967295u;
    series.taskSeed = 10;
    TSettings third = seriesInstanceSettings(series, 3);
    EXPECT_EQ(third.tripSeed, 1u);  // wraps as unsigned numbers do
    EXPECT_EQ(third.taskSeed, 12u);
    EXPECT_EQ(third.columnSeed, 2u);
    EXPECT_EQ(third.count, series.count);
}

}  // namespace
