#include <random>

#include <gtest/gtest.h>

#include "columns/column_test_support.h"
#include "columns/columns.h"
#include "common/random_source.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

using TChain = std::vector<std::int32_t>;

// S=0 leaves the depot; A=1 and B=2 follow it; D=3 follows both.
std::vector<TTarefa> diamond() {
    return {
        handTask("01/01/2006 08:00", "01/01/2006 09:00", 1, 2, 10),  // S
        handTask("01/01/2006 09:15", "01/01/2006 10:00", 2, 3, 20),  // A
        handTask("01/01/2006 09:30", "01/01/2006 10:15", 2, 3, 30),  // B
        handTask("01/01/2006 11:00", "01/01/2006 12:00", 3, 4, 40),  // D
    };
}

struct TColumnRun {
    std::vector<std::string> columnLines;
    std::string console;
    std::string errors;
    std::int32_t columnCount = 0;
    std::vector<std::int32_t> uncoverable;
};

TColumnRun runColumns(TColunas& columns, const TTarefas& tasks, bool echo = true) {
    TTemporaryFolder folder;
    TWorkingDirectory inFolder(folder.path());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    TColumnRunResult result = columns.generateColumns(&tasks, true, echo);
    TColumnRun run;
    run.uncoverable = result.uncoverableTasks;
    run.errors = testing::internal::GetCapturedStderr();
    run.console = testing::internal::GetCapturedStdout();
    std::vector<std::string> lines = linesOf(readFile("150_3304438.txt"));
    run.columnLines.assign(lines.begin() + 3, lines.end());
    run.columnCount = columns.columnCount;
    EXPECT_EQ(entriesOf(folder.path()), std::vector<std::string>{"150_3304438.txt"});
    EXPECT_EQ(std::stoi(lines[1]), columns.columnCount);
    return run;
}

TChain tasksOfLine(const std::string& line) {
    std::vector<std::int32_t> fields;
    std::size_t position = 0;
    while (position < line.size()) {
        std::size_t end = line.find(' ', position);
        if (end == std::string::npos) end = line.size();
        fields.push_back(std::stoi(line.substr(position, end - position)));
        position = end + 1;
    }
    TChain chain;
    for (std::size_t field = 5; field < fields.size(); ++field) chain.push_back(fields[field] - 1);
    return chain;
}

std::int32_t numberOfLine(const std::string& line) {
    return std::stoi(line.substr(0, line.find(' ')));
}

std::string closingLines(std::int32_t count) {
    return "   " + std::to_string(count) + " colunas geradas com sucesso.\n   Pressione ENTER para continuar!\n\n\n";
}

TEST(ColumnRun, WritesTheChainsOfTheDiamondInSearchOrder) {
    TTarefas tasks = handTasks(diamond(), 1);
    TColunas columns;
    columns.acceptPercent = 100;
    TColumnRun run = runColumns(columns, tasks);
    // cost 10 + 20 + 40 + 800 (75 idle minutes add nothing), depot of S, 165 minutes worked
    EXPECT_EQ(run.columnLines, (std::vector<std::string>{"1 870 1 165 3 1 2 4", "2 880 1 165 3 1 3 4"}));
    EXPECT_EQ(run.console, "1 870 1 165 3 1 2 4\n\n\n" + closingLines(2));
    EXPECT_EQ(run.errors, "");
}

// The totals kept from the first run once let the second skip the removal of its shared
// prefix from the refilled pool, and phase 2 then searched from task 0 for ever.
TEST(ColumnRun, SecondRunOnOneObjectWritesTheSameFile) {
    TTarefas tasks = handTasks(diamond(), 1);
    TColunas columns;
    columns.acceptPercent = 100;
    TColumnRun first = runColumns(columns, tasks);
    TColumnRun second = runColumns(columns, tasks);
    EXPECT_EQ(second.columnLines, first.columnLines);
    EXPECT_EQ(second.console, first.console);
}

TEST(ColumnRun, WithoutTheFileTheEchoStillShowsTheSample) {
    TTemporaryFolder folder;
    TWorkingDirectory inFolder(folder.path());
    TTarefas tasks = handTasks(diamond(), 1);
    TColunas columns;
    columns.acceptPercent = 100;
    testing::internal::CaptureStdout();
    columns.generateColumns(&tasks, false, true);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "1 870 1 165 3 1 2 4\n\n\n" + closingLines(2));
    EXPECT_TRUE(entriesOf(folder.path()).empty());
}

TEST(ColumnRun, MinTasksZeroOffersChainsOfTwo) {
    TTarefas tasks = handTasks(diamond(), 1);
    TColunas columns;
    columns.acceptPercent = 100;
    columns.minTasks = 0;
    TColumnRun run = runColumns(columns, tasks, false);
    ASSERT_EQ(run.columnCount, 4);
    EXPECT_EQ(tasksOfLine(run.columnLines[0]), (TChain{0, 1}));
    EXPECT_EQ(tasksOfLine(run.columnLines[3]), (TChain{0, 2, 3}));
    EXPECT_EQ(run.console, closingLines(4));
}

TEST(ColumnRun, NoTasksWriteNoColumns) {
    TTarefas tasks = handTasks({}, 3);
    TColunas columns;
    TColumnRun run = runColumns(columns, tasks);
    EXPECT_EQ(run.columnCount, 0);
    EXPECT_TRUE(run.columnLines.empty());
    EXPECT_EQ(run.console, "\n" + closingLines(0));
}

TEST(ColumnRun, WithoutDepotsPhaseTwoGivesDepotOneAndDrawsNone) {
    TTarefas tasks = handTasks(diamond(), 0);
    TColunas columns;
    columns.acceptPercent = 100;
    columns.seed = 99;
    TColumnRun run = runColumns(columns, tasks);
    EXPECT_EQ(run.columnLines, (std::vector<std::string>{"1 870 1 165 3 1 2 4", "2 880 1 165 3 1 3 4"}));
    // Two offers, two draws, and no depot draw before them.
    std::mt19937 reference(99);
    reference.discard(2);
    EXPECT_EQ(randomsource::lrand(), static_cast<std::int32_t>(reference() >> 1));
}

// Phase 1 covers S, A, B and D; phase 2 then starts from E (3), the lowest uncovered
// task, which covers F and G, then from K (6), and finally from H (10), where no chain
// begins: H is left uncovered and reported instead of being searched for ever.
TEST(ColumnRun, PhaseTwoStartsFromTheLowestUncoveredTaskAndSkipsStuckOnes) {
    std::vector<TTarefa> list = diamond();
    list.insert(list.begin() + 3, handTask("01/01/2006 10:00", "01/01/2006 10:30", 5, 6));  // E
    list.push_back(handTask("01/01/2006 11:00", "01/01/2006 11:30", 6, 7));              // F
    list.push_back(handTask("01/01/2006 11:15", "01/01/2006 11:45", 8, 9));              // K
    list.push_back(handTask("01/01/2006 12:00", "01/01/2006 12:30", 7, 5));              // G
    list.push_back(handTask("01/01/2006 12:00", "01/01/2006 12:45", 9, 8));              // L
    list.push_back(handTask("01/01/2006 13:00", "01/01/2006 13:30", 8, 9));              // M
    list.push_back(handTask("01/01/2006 14:00", "01/01/2006 14:30", 10, 10));            // H
    TTarefas tasks = handTasks(list, 1);
    TColunas columns;
    columns.acceptPercent = 100;
    TColumnRun run = runColumns(columns, tasks);
    std::vector<TChain> chains;
    for (const std::string& line : run.columnLines) chains.push_back(tasksOfLine(line));
    EXPECT_EQ(chains, (std::vector<TChain>{{0, 1, 4}, {0, 2, 4}, {3, 5, 7}, {6, 8, 9}}));
    EXPECT_EQ(run.uncoverable, std::vector<std::int32_t>{10});
    EXPECT_EQ(run.errors, "") << "the generator leaves telling the user to its caller";
    EXPECT_TRUE(columns.uncoveredTasks.empty());
}

// Every task at the same place, each later one a successor of every earlier one; only
// the first leaves the depot: 32631 chains of 3 to 13 tasks begin there.
TTarefas completeGraph() {
    std::vector<TTarefa> list;
    for (int hour = 0; hour < 16; ++hour) {
        list.push_back(handTask("0" + std::to_string(1 + hour / 12) + "/01/2006 " + std::to_string(hour % 12) + ":00",
                                "0" + std::to_string(1 + hour / 12) + "/01/2006 " + std::to_string(hour % 12) + ":30",
                                hour == 0 ? 1 : 2, 2, hour));
    }
    return handTasks(list, 1);
}

TEST(ColumnRun, EchoesEveryTenThousandthWrittenColumn) {
    TTarefas tasks = completeGraph();
    for (std::int32_t acceptPercent : {100, 49}) {
        TColunas columns;
        columns.acceptPercent = acceptPercent;
        TColumnRun run = runColumns(columns, tasks);
        std::string expected;
        for (const std::string& line : run.columnLines) {
            if (numberOfLine(line) % 10000 == 1) expected += line + "\n\n";
        }
        EXPECT_EQ(run.console, expected + "\n" + closingLines(run.columnCount)) << acceptPercent;
        EXPECT_GE(run.columnCount, acceptPercent == 100 ? 32631 : 10001);
    }
}

TEST(ColumnRun, AcceptPercentFiltersOfferedChainsByTheirDraws) {
    TTarefas tasks = completeGraph();
    TColunas columns;
    columns.seed = 2024;
    columns.maxTasks = 6;
    TColumnRun run = runColumns(columns, tasks, false);

    // Phase 1 from task 0 alone: every chain of 3 to 6 tasks in search order, each
    // offered with one draw and written when the draw modulo 100 is 0 or 1.
    TSuccessorLists successors(16);
    for (std::int32_t from = 0; from < 16; ++from) {
        for (std::int32_t to = from + 1; to < 16; ++to) successors[static_cast<std::size_t>(from)].push_back(to);
    }
    TChainSearch search(successors, 6);
    search.start(0);
    std::mt19937 reference(2024);
    std::vector<TChain> expected;
    while (search.next()) {
        if (search.chain().size() <= 2) continue;
        if (static_cast<std::int32_t>(reference() >> 1) % 100 <= 1) expected.push_back(search.chain());
    }
    ASSERT_GE(expected.size(), 10u);
    ASSERT_GE(run.columnLines.size(), expected.size());
    for (std::size_t column = 0; column < expected.size(); ++column) {
        EXPECT_EQ(tasksOfLine(run.columnLines[column]), expected[column]) << column;
    }
    EXPECT_TRUE(columns.uncoveredTasks.empty());
}

TEST(ColumnRun, RejectsParametersThatWouldHang) {
    TTarefas tasks = handTasks(diamond(), 1);
    TColunas columns;
    columns.acceptPercent = -1;
    testing::internal::CaptureStdout();
    try {
        columns.generateColumns(&tasks, false, false);
        ADD_FAILURE() << "accepted a negative acceptPercent";
    } catch (const EParameterError& error) {
        EXPECT_NE(std::string(error.what()).find("acceptPercent = -1"), std::string::npos) << error.what();
    }
    columns.acceptPercent = 100;
    EXPECT_THROW(columns.generateColumns(nullptr, false, false), EParameterError);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

}  // namespace
