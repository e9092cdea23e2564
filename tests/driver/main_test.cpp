#include <cmath>
#include <filesystem>
#include <sstream>

#include <set>

#include <gtest/gtest.h>

#include "columns/columns.h"
#include "driver/setting_table.h"
#include "driver/stages.h"
#include "support/column_file_reader.h"
#include "support/test_support.h"
#include "tasks/tasks.h"
#include "trips/trips.h"

using namespace gerador;

namespace {

const std::string kFileName = "150_3304438.txt";
// The standard run, pinned: computed independently of this code.
const std::string kStandardFileDigest = "55ea1d2a3bc20a70c1550fd7999bf3f65a127390629e2331ba9a29d3f26fce01";
const std::string kStandardConsoleDigest = "03aa8727fc1f798561634847034b2bd040b7791a0b67120636d2982036e72ee5";
constexpr long long kStandardFileBytes = 77068557;
const std::string kTripAndTaskLines =
    "\n   10 viagens geradas com sucesso.\n   Pressione ENTER para continuar!\n\n\n"
    "   150 tarefas geradas com sucesso.\n   Pressione ENTER para continuar!\n\n\n";

// The tasks of a run with these settings, drawn again in this process.
TTarefas tasksOf(const TSettings& settings) {
    TViagens trips;
    TTarefas tasks;
    TColunas columns;
    applySettings(settings, trips, tasks, columns);
    testing::internal::CaptureStdout();
    trips.generateTrips(false, false);
    tasks.generateTasks(trips, false, false);
    testing::internal::GetCapturedStdout();
    return tasks;
}

// Minutes as the column file counts them, worked out here without the generator's code.
int minutesOf(double days) {
    double wholeDays = std::trunc(days);
    long long milliseconds = std::llround((days - wholeDays) * 86400000.0);
    return static_cast<int>(wholeDays) * 1440 + static_cast<int>((milliseconds / 60000) % 1440);
}

// The pinned standard run: every byte of the file and of the console.
TEST(Program, StandardRunWritesOneCompleteColumnFile) {
    TTemporaryFolder folder;
    TProgramResult run = runProgram(folder.path());
    ASSERT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_EQ(run.standardError, "");
    ASSERT_EQ(entriesOf(folder.path()), std::vector<std::string>{kFileName});
    std::string file = readFile(folder.path() / kFileName);
    EXPECT_EQ(file.size(), static_cast<std::size_t>(kStandardFileBytes));
    EXPECT_EQ(sha256Of(folder.path() / kFileName), kStandardFileDigest);
    writeFile(folder.path() / "console", run.standardOutput);
    EXPECT_EQ(sha256Of(folder.path() / "console"), kStandardConsoleDigest);
    std::vector<std::string> lines = linesOf(file);
    ASSERT_GT(lines.size(), 3u);
    EXPECT_EQ(lines[1], "1503325   ");
    EXPECT_EQ(lines.size() - 3, 1503325u);
}

// Every column is a priced chain of successors from a depot or from the lowest task no
// earlier column covers, and together they cover every task; the console samples them.
TEST(Program, ColumnsArePricedChainsOfSuccessors) {
    TTemporaryFolder folder;
    const std::vector<std::string> arguments = {"--count", "90", "--max-tasks", "8", "--no-wait"};
    TProgramResult run = runProgram(folder.path(), withArguments(arguments));
    ASSERT_EQ(run.exitStatus, 0) << run.standardError;
    std::string text = readFile(folder.path() / kFileName);
    TColumnFileText file = readColumnFile(text);
    EXPECT_EQ(file.taskCount, 90);
    EXPECT_EQ(file.depotLine, "3 1 0.400000 2 0.300000 3 0.300000");
    const auto columnCount = static_cast<std::int64_t>(file.columns.size());
    ASSERT_GT(columnCount, 10000) << "the sample should show more than one column";
    EXPECT_EQ(std::stoll(file.countField), columnCount);
    EXPECT_EQ(file.countField.size(), 10u);

    std::vector<std::string> lines = linesOf(text);
    std::string expectedConsole = "\n   10 viagens geradas com sucesso.\n   Pressione ENTER para continuar!\n\n\n"
                                  "   90 tarefas geradas com sucesso.\n   Pressione ENTER para continuar!\n\n\n";
    for (std::int64_t number = 1; number <= columnCount; number += 10000) {
        expectedConsole += lines[static_cast<std::size_t>(number) + 2] + "\n\n";
    }
    expectedConsole += "\n   " + std::to_string(columnCount) +
                       " colunas geradas com sucesso.\n   Pressione ENTER para continuar!\n\n\n";
    EXPECT_EQ(run.standardOutput, expectedConsole);

    TSettings settings;
    settings.count = 90;
    TTarefas generator = tasksOf(settings);
    const std::vector<TTarefa>& tasks = generator.tasks;
    std::vector<bool> covered(tasks.size(), false);
    int lastSearchStart = -1;
    int badColumns = 0;
    for (std::int64_t index = 0; index < columnCount && badColumns < 5; ++index) {
        const TTestColumn& column = file.columns[static_cast<std::size_t>(index)];
        bool valid = column.number == index + 1 && column.tasks.size() >= 3 && column.tasks.size() <= 8 &&
                     column.depot >= 1 && column.depot <= 3;
        int taskCosts = 0;
        double workDays = 0.0;
        for (std::size_t position = 0; valid && position < column.tasks.size(); ++position) {
            int task = column.tasks[position] - 1;
            valid = task >= 0 && task < 90;
            if (!valid) break;
            const TTarefa& record = tasks[static_cast<std::size_t>(task)];
            if (position > 0) {
                const TTarefa& previous = tasks[static_cast<std::size_t>(column.tasks[position - 1] - 1)];
                valid = record.start > previous.end && record.origin == previous.destination;
            }
            taskCosts += record.cost;
            workDays += record.end - record.start;
        }
        if (valid) {
            int first = column.tasks.front() - 1;
            const TTarefa& firstTask = tasks[static_cast<std::size_t>(first)];
            const TTarefa& lastTask = tasks[static_cast<std::size_t>(column.tasks.back() - 1)];
            int workMinutes = minutesOf(workDays);
            int idleMinutes = minutesOf(lastTask.end - firstTask.start) - workMinutes;
            valid = column.workMinutes == workMinutes && column.cost == taskCosts + idleMinutes / 100 + 800;
            // A search from a start task keeps its origin as depot; the other searches
            // start from the lowest task no earlier column covers.
            if (firstTask.origin <= 3) valid = valid && column.depot == firstTask.origin;
            if (first != lastSearchStart && firstTask.origin > 3) {
                for (int task = 0; task < first; ++task) valid = valid && covered[static_cast<std::size_t>(task)];
                valid = valid && !covered[static_cast<std::size_t>(first)];
            }
            lastSearchStart = first;
        }
        for (std::size_t position = 0; valid && position < column.tasks.size(); ++position) {
            covered[static_cast<std::size_t>(column.tasks[position] - 1)] = true;
        }
        if (!valid) {
            ADD_FAILURE() << "invalid column line: " << lines[static_cast<std::size_t>(index) + 3];
            ++badColumns;
        }
    }
    EXPECT_EQ(std::count(covered.begin(), covered.end(), true), 90);
}

// A full disk (here a cap on file size) must neither report success nor touch the
// column file of an earlier run, whether it strikes mid-run or at the very last byte
// (the closing line was once printed before the file was committed).
TEST(Program, FailedWriteKeepsTheEarlierFileAndExitsNonZero) {
    for (long long limit : {1LL << 20, kStandardFileBytes - 1}) {
        TTemporaryFolder folder;
        writeFile(folder.path() / kFileName, "an earlier, complete run\n");
        TRunOptions options;
        options.fileSizeLimit = limit;
        TProgramResult run = runProgram(folder.path(), options);
        EXPECT_EQ(run.exitStatus, 1) << limit;
        EXPECT_NE(run.standardError.find("Erro: "), std::string::npos) << run.standardError;
        EXPECT_NE(run.standardError.find(kFileName), std::string::npos) << run.standardError;
        EXPECT_NE(run.standardError.find("File too large"), std::string::npos) << run.standardError;
        EXPECT_EQ(run.standardOutput.find("colunas geradas"), std::string::npos) << limit;
        EXPECT_EQ(run.standardOutput.rfind(kTripAndTaskLines, 0), 0u);
        EXPECT_EQ(readFile(folder.path() / kFileName), "an earlier, complete run\n");
        EXPECT_EQ(entriesOf(folder.path()), std::vector<std::string>{kFileName});
    }
}

// Started without its standard descriptors, the program must not let the column file
// take their numbers (console text would land in it).
TEST(Program, ClosedStandardDescriptorsDoNotMixConsoleIntoTheFile) {
    TTemporaryFolder folder;
    TRunOptions options;
    options.closedDescriptors = {0, 1, 2};
    TProgramResult run = runProgram(folder.path(), options);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(entriesOf(folder.path()), std::vector<std::string>{kFileName});
    EXPECT_EQ(sha256Of(folder.path() / kFileName), kStandardFileDigest);
}

// A console pipe that closes (gerador | head -1) is a write error, not a silent death, and
// it gives its reason even when the failure came from the flush before a warning.
TEST(Program, ClosedConsolePipeFailsCleanly) {
    const std::vector<std::string> runs[] = {{}, {"--count", "20", "--no-wait"}};
    for (const std::vector<std::string>& arguments : runs) {
        SCOPED_TRACE(arguments.empty() ? "standard run" : "warnings of uncovered tasks");
        TTemporaryFolder folder;
        TRunOptions options = withArguments(arguments);
        options.outputToClosedPipe = true;
        TProgramResult run = runProgram(folder.path(), options);
        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_NE(run.standardError.find("Erro: não foi possível escrever na saída padrão: Broken pipe"),
                  std::string::npos)
            << run.standardError;
        EXPECT_TRUE(entriesOf(folder.path()).empty());
    }
}

// A smaller instance through the built program: files where -C says, arquivos/ made for them.
TEST(Program, OptionsChooseTheInstanceAndTheFolder) {
    TTemporaryFolder folder;
    TTemporaryFolder elsewhere;
    TProgramResult run =
        runProgram(elsewhere.path(), withArguments({"--count", "60", "--max-tasks", "8", "--trip-write-file",
                                                    "--task-write-file", "-C", folder.path().string(), "--no-wait"}));
    ASSERT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_EQ(entriesOf(folder.path()), (std::vector<std::string>{kFileName, "arquivos"}));
    EXPECT_EQ(entriesOf(folder.path() / "arquivos"), (std::vector<std::string>{"tarefas.txt", "viagens.txt"}));
    EXPECT_TRUE(entriesOf(elsewhere.path()).empty());
    std::vector<std::string> lines = linesOf(readFile(folder.path() / kFileName));
    ASSERT_GT(lines.size(), 3u);
    EXPECT_EQ(lines[0], "60");
    EXPECT_EQ(std::stoul(lines[1]), lines.size() - 3);
    EXPECT_EQ(linesOf(readFile(folder.path() / "arquivos/tarefas.txt")).size(), 62u);
    EXPECT_NE(run.standardOutput.find("   60 tarefas geradas com sucesso."), std::string::npos);
}

// The files of one run take their names together: an export that fails, even after the
// column file is complete, leaves every earlier file as it was.
TEST(Program, FailedExportKeepsEveryEarlierFile) {
    TTemporaryFolder folder;
    const std::vector<std::string> arguments = {"--count", "60", "--mps", "i.mps", "--orlib", "i.txt", "--no-wait"};
    ASSERT_EQ(runProgram(folder.path(), withArguments(arguments)).exitStatus, 0);
    const std::vector<std::string> names = {kFileName, "i.mps", "i.txt"};
    ASSERT_EQ(entriesOf(folder.path()), names);
    auto mpsBytes = static_cast<long long>(std::filesystem::file_size(folder.path() / "i.mps"));
    ASSERT_GT(mpsBytes, static_cast<long long>(std::filesystem::file_size(folder.path() / kFileName)));
    for (const std::string& name : names) writeFile(folder.path() / name, "an earlier run\n");

    TRunOptions options = withArguments(arguments);
    options.fileSizeLimit = mpsBytes - 1;
    TProgramResult run = runProgram(folder.path(), options);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.standardError.find("\"i.mps\": File too large"), std::string::npos) << run.standardError;
    EXPECT_EQ(entriesOf(folder.path()), names);
    for (const std::string& name : names) EXPECT_EQ(readFile(folder.path() / name), "an earlier run\n") << name;
}

// The report and the picture ride along without touching the column file; the standard
// instance has a certificate that it cannot be partitioned exactly.
TEST(Program, ReportOfTheStandardRunNamesACertificate) {
    TTemporaryFolder folder;
    TProgramResult run = runProgram(folder.path(), withArguments({"--report", "r.json", "--svg", "r.svg"}));
    ASSERT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_EQ(sha256Of(folder.path() / kFileName), kStandardFileDigest);
    EXPECT_EQ(entriesOf(folder.path()), (std::vector<std::string>{kFileName, "r.json", "r.svg"}));
    std::string closing = "   1503325 colunas geradas com sucesso.\n   Pressione ENTER para continuar!\n\n\n";
    std::size_t summary = run.standardOutput.find(closing);
    ASSERT_NE(summary, std::string::npos);
    EXPECT_EQ(run.standardOutput.substr(summary + closing.size()),
              "   Relatório: 1503325 colunas (1362889 na fase 1, 140436 na fase 2).\n"
              "   Menor cobertura: 1894 colunas, tarefas 96, 117.\n"
              "   Partição: não há partição exata: as tarefas 21 e 31 nunca estão numa mesma coluna, e toda coluna "
              "com uma delas tem a tarefa 8, que uma partição cobriria duas vezes.\n\n");
    std::string report = readFile(folder.path() / "r.json");
    EXPECT_NE(report.find("\"certificate\": \"never-together-pair\""), std::string::npos);
    EXPECT_NE(report.find("\"name\": \"150_3304438.txt\",\n      \"bytes\": 77068557"), std::string::npos);
}

// The program reads its one character only without --no-wait: with an input that never
// ends, a run with it must still end (it was once ignored).
TEST(Program, NoWaitDoesNotReadTheInput) {
    TTemporaryFolder folder;
    TRunOptions options = withArguments({"--count", "12", "--no-wait"});
    options.inputFromOpenPipe = true;
    options.timeoutSeconds = 20;
    EXPECT_EQ(runProgram(folder.path(), options).exitStatus, 0);
}

// A task file alone needs its folder too (once it was made only for the trip file).
TEST(Program, TaskFileAloneMakesItsFolder) {
    TTemporaryFolder folder;
    TProgramResult run = runProgram(folder.path(), withArguments({"--task-write-file", "--count", "20", "--no-wait"}));
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_EQ(linesOf(readFile(folder.path() / "arquivos/tarefas.txt")).size(), 22u);
}

// A stage says its items were generated only once its file is written whole: when the
// file fails, its closing line must not appear.
TEST(Program, StageLinesFollowTheirFiles) {
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"--trip-write-file", "--location-count", "60", "--depot-count", "3"}, "viagens"},
        {{"--task-write-file", "--count", "150"}, "tarefas"},
    };
    for (const auto& [arguments, items] : rows) {
        TTemporaryFolder folder;
        TRunOptions options = withArguments(arguments);
        options.arguments.push_back("--no-wait");
        options.fileSizeLimit = 1000;
        TProgramResult run = runProgram(folder.path(), options);
        EXPECT_EQ(run.exitStatus, 1) << items;
        EXPECT_NE(run.standardError.find("arquivos/" + items + ".txt\": File too large"), std::string::npos)
            << run.standardError;
        EXPECT_EQ(run.standardOutput.find(items + " geradas"), std::string::npos) << run.standardOutput;
        // Not even arquivos/, which the failed run made.
        EXPECT_EQ(entriesOf(folder.path()), std::vector<std::string>{}) << items;
    }
}

// A bad command line runs nothing and touches nothing: status 2, the option named.
TEST(Program, BadCommandLineLeavesTheFolderAlone) {
    TTemporaryFolder folder;
    writeFile(folder.path() / kFileName, "an earlier run\n");
    for (std::vector<std::string> arguments :
         {std::vector<std::string>{"--count", "12abc"}, {"--task-write-file", "--depot-count", "1"}, {"--nope"}}) {
        TProgramResult run = runProgram(folder.path(), withArguments(arguments));
        EXPECT_EQ(run.exitStatus, 2) << arguments[0];
        EXPECT_NE(run.standardError.find("Erro: " + arguments[arguments.size() > 1 ? arguments.size() - 2 : 0]),
                  std::string::npos)
            << run.standardError;
        EXPECT_EQ(run.standardOutput, "");
        EXPECT_EQ(entriesOf(folder.path()), std::vector<std::string>{kFileName});
        EXPECT_EQ(readFile(folder.path() / kFileName), "an earlier run\n");
    }
}

// Tasks no column covers are named up to five, and the rest counted: 30,000 of them once
// gave 30,000 warning lines. The count agrees with the tasks missing from the column file.
TEST(Program, ManyUncoveredTasksAreSummarised) {
    TTemporaryFolder folder;
    TProgramResult run = runProgram(folder.path(), withArguments({"--count", "30", "--min-tasks", "3", "--max-tasks",
                                                                  "4", "--location-count", "10", "--no-column-echo",
                                                                  "--no-wait"}));
    ASSERT_EQ(run.exitStatus, 0) << run.standardError;
    std::vector<std::string> warnings = linesOf(run.standardError);
    ASSERT_EQ(warnings.size(), 6u) << run.standardError;
    TColumnFileText columns = readColumnFile(readFile(folder.path() / "150_3304438.txt"));
    std::set<std::int32_t> covered;
    for (const TTestColumn& column : columns.columns) covered.insert(column.tasks.begin(), column.tasks.end());
    std::size_t uncovered = 30 - covered.size();
    EXPECT_EQ(warnings.back(), "Aviso: nenhuma coluna cobre outras " + std::to_string(uncovered - 5) + " tarefas.");
}

}  // namespace
