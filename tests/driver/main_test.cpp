#include <cmath>
#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

#include "columns/columns.h"
#include "driver/setting_table.h"
#include "driver/stages.h"
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

// The tasks of the standard run, drawn again in this process.
TTarefas standardTasks() {
    TViagens trips;
    TTarefas tasks;
    TColunas columns;
    applySettings(TSettings(), trips, tasks, columns);
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

std::vector<int> fieldsOf(const std::string& line) {
    std::vector<int> fields;
    std::istringstream stream(line);
    int field = 0;
    while (stream >> field) fields.push_back(field);
    return fields;
}

TEST(Program, StandardRunWritesOneCompleteColumnFile) {
    TTemporaryFolder folder;
    TProgramResult run = runProgram(folder.path());
    ASSERT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_EQ(run.standardError, "");
    ASSERT_EQ(entriesOf(folder.path()), std::vector<std::string>{kFileName});
    std::string file = readFile(folder.path() / kFileName);
    std::vector<std::string> lines = linesOf(file);
    ASSERT_GT(lines.size(), 3u);
    EXPECT_EQ(lines[0], "150");
    EXPECT_EQ(lines[1].size(), 10u);
    EXPECT_EQ(lines[2], "3 1 0.400000 2 0.300000 3 0.300000");
    const int columnCount = std::stoi(lines[1]);
    ASSERT_EQ(static_cast<std::size_t>(columnCount), lines.size() - 3);
    EXPECT_EQ(columnCount, 1503325);
    EXPECT_EQ(file.size(), static_cast<std::size_t>(kStandardFileBytes));
    EXPECT_EQ(sha256Of(folder.path() / kFileName), kStandardFileDigest);
    writeFile(folder.path() / "console", run.standardOutput);
    EXPECT_EQ(sha256Of(folder.path() / "console"), kStandardConsoleDigest);

    // The console: the trip and task lines, every 10000th column with an empty line, then the closing lines.
    std::string expectedConsole = kTripAndTaskLines;
    for (int number = 1; number <= columnCount; number += 10000) {
        expectedConsole += lines[static_cast<std::size_t>(number) + 2] + "\n\n";
    }
    expectedConsole += "\n   " + std::to_string(columnCount) +
                       " colunas geradas com sucesso.\n   Pressione ENTER para continuar!\n\n\n";
    EXPECT_EQ(run.standardOutput, expectedConsole);

    // Every column is a priced chain of successors, and together they cover every task.
    TTarefas generator = standardTasks();
    const std::vector<TTarefa>& tasks = generator.tasks;
    std::vector<bool> covered(tasks.size(), false);
    int lastSearchStart = -1;
    int badLines = 0;
    for (int number = 1; number <= columnCount && badLines < 5; ++number) {
        const std::string& line = lines[static_cast<std::size_t>(number) + 2];
        std::vector<int> fields = fieldsOf(line);
        bool valid = fields.size() >= 8 && fields[0] == number && fields[4] >= 3 && fields[4] <= 13 &&
                     fields.size() == static_cast<std::size_t>(5 + fields[4]) && fields[2] >= 1 && fields[2] <= 3;
        int taskCosts = 0;
        double workDays = 0.0;
        for (std::size_t field = 5; valid && field < fields.size(); ++field) {
            int task = fields[field] - 1;
            valid = task >= 0 && task < 150;
            if (!valid) break;
            const TTarefa& record = tasks[static_cast<std::size_t>(task)];
            if (field > 5) {
                const TTarefa& previous = tasks[static_cast<std::size_t>(fields[field - 1] - 1)];
                valid = record.start > previous.end && record.origin == previous.destination;
            }
            taskCosts += record.cost;
            workDays += record.end - record.start;
        }
        if (valid) {
            const TTarefa& first = tasks[static_cast<std::size_t>(fields[5] - 1)];
            const TTarefa& last = tasks[static_cast<std::size_t>(fields.back() - 1)];
            int workMinutes = minutesOf(workDays);
            int idleMinutes = minutesOf(last.end - first.start) - workMinutes;
            valid = fields[3] == workMinutes && fields[1] == taskCosts + idleMinutes / 100 + 800;
            // A search from a start task keeps its origin as depot; the other searches
            // start from the lowest task no earlier column covers.
            if (first.origin <= 3) valid = valid && fields[2] == first.origin;
            if (fields[5] - 1 != lastSearchStart && first.origin > 3) {
                for (int task = 0; task < fields[5] - 1; ++task) valid = valid && covered[static_cast<std::size_t>(task)];
                valid = valid && !covered[static_cast<std::size_t>(fields[5] - 1)];
            }
            lastSearchStart = fields[5] - 1;
        }
        for (std::size_t field = 5; valid && field < fields.size(); ++field) {
            covered[static_cast<std::size_t>(fields[field] - 1)] = true;
        }
        if (!valid) {
            ADD_FAILURE() << "invalid column line: " << line;
            ++badLines;
        }
    }
    EXPECT_EQ(std::count(covered.begin(), covered.end(), true), 150);

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

// A console pipe that closes (gerador | head -1) is a write error, not a silent death.
TEST(Program, ClosedConsolePipeFailsCleanly) {
    TTemporaryFolder folder;
    TRunOptions options;
    options.outputToClosedPipe = true;
    TProgramResult run = runProgram(folder.path(), options);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.standardError.find("Erro: não foi possível escrever na saída padrão"), std::string::npos)
        << run.standardError;
    EXPECT_TRUE(entriesOf(folder.path()).empty());
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

}  // namespace
