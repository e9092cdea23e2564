#include <climits>
#include <filesystem>

#include <gtest/gtest.h>

#include "columns/column_test_support.h"
#include "columns/column_echo.h"
#include "columns/column_file.h"
#include "columns/columns.h"
#include "common/run_files.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

constexpr double kMillisecond = 1.0 / 86400000.0;

// Filler for the positions a test does not look at.
TTarefa filler() {
    return handTask("01/01/2006 06:00", "01/01/2006 06:15", 9, 9);
}

// The console line that the echo shows for a chain of hand-made tasks priced by writeColumn.
std::string columnLine(const TTarefas& tasks, const std::vector<std::int32_t>& chain, std::int32_t depot = 2) {
    TColunas columns;
    columns.taskGenerator = &tasks;
    columns.uncoveredTasks.fill(tasks.count);
    TColumnEchoSink echo;
    echo.begin(columnRunInfo(tasks));
    columns.sinks = {&echo};
    std::int32_t counter = 0;
    testing::internal::CaptureStdout();
    columns.writeColumn(depot, counter, chain);
    std::string echoed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(counter, 1);
    EXPECT_EQ(echoed.substr(echoed.size() - 2), "\n\n");  // an empty line follows each echo
    return echoed.substr(0, echoed.size() - 2);
}

TEST(ColumnLine, PricesSpanWorkAndIdleTime) {
    std::vector<TTarefa> list(33, filler());
    list[4] = handTask("01/01/2006 08:00", "01/01/2006 09:00", 1, 2, 100);
    list[17] = handTask("01/01/2006 10:00", "01/01/2006 12:00", 2, 3, 120);
    list[32] = handTask("01/01/2006 13:00", "01/01/2006 15:30", 3, 1, 80);
    // number 1, cost 100 + 120 + 80 + 120 idle minutes div 100 + 800, depot 2,
    // 330 work minutes, 3 tasks, task numbers 5 18 33
    EXPECT_EQ(columnLine(handTasks(list, 3), {4, 17, 32}), "1 1101 2 330 3 5 18 33");
}

TEST(ColumnLine, EachFullHundredIdleMinutesCostsOne) {
    auto lineWithSecondStart = [](const char* secondStart) {
        return columnLine(handTasks({handTask("01/01/2006 08:00", "01/01/2006 09:00", 1, 2, 10),
                                     handTask(secondStart, "01/01/2006 11:00", 2, 1, 20)},
                                    3),
                          {0, 1});
    };
    EXPECT_EQ(lineWithSecondStart("01/01/2006 10:39"), "1 830 2 81 2 1 2");  // 99 idle minutes
    EXPECT_EQ(lineWithSecondStart("01/01/2006 10:40"), "1 831 2 80 2 1 2");  // 100 idle minutes
    EXPECT_EQ(lineWithSecondStart("01/01/2006 09:00"), "1 830 2 180 2 1 2");  // none
}

TEST(ColumnLine, WholeDaysComeFromTheTruncatedSpan) {
    // Over a day: 08:00 to 09:30 the next day is 1530 minutes, 90 of them worked.
    TTarefas overADay = handTasks({handTask("01/01/2006 08:00", "01/01/2006 09:00", 1, 2),
                                   handTask("02/01/2006 09:00", "02/01/2006 09:30", 2, 1)},
                                  3);
    EXPECT_EQ(columnLine(overADay, {0, 1}), "1 814 2 90 2 1 2");  // 1440 idle minutes

    // A span a hair below one whole day truncates to 0 days, while its time of day reads
    // 00:00: it counts 0 minutes, and the idle time comes out negative.
    TTarefas hairBelow = overADay;
    hairBelow.tasks[1].start = dateTimeFromText("01/01/2006 10:00");
    hairBelow.tasks[1].end = static_cast<double>(hairBelow.tasks[0].start) + 1.0 - 0.4 * kMillisecond;
    // work 60 + 1320 minutes (the second task's 22 hours less a hair read as 22:00),
    // idle 0 - 1380, truncated -13.8 gives -13
    EXPECT_EQ(columnLine(hairBelow, {0, 1}), "1 787 2 1380 2 1 2");
}

TEST(ColumnLine, RemovesItsTasksFromThePool) {
    TTarefas tasks = handTasks(std::vector<TTarefa>(5, filler()), 3);
    TColunas columns;
    columns.taskGenerator = &tasks;
    columns.uncoveredTasks.fill(5);
    std::int32_t counter = 41;
    columns.writeColumn(3, counter, {1, 3});
    EXPECT_EQ(counter, 42);
    EXPECT_EQ(columns.uncoveredTasks.size(), 3u);
    EXPECT_FALSE(columns.uncoveredTasks.contains(1));
    EXPECT_FALSE(columns.uncoveredTasks.contains(3));
    EXPECT_EQ(columns.uncoveredTasks.first(), 0);
}

// The whole file for a run of hand-made columns.
std::string writeColumnFile(std::int32_t depotCount, const std::vector<std::vector<std::int32_t>>& chains,
                            std::int32_t finalCount) {
    TTemporaryFolder folder;
    TTarefas tasks = handTasks({handTask("01/01/2006 08:00", "01/01/2006 09:00", 1, 2, 7),
                                handTask("01/01/2006 09:15", "01/01/2006 10:00", 2, 1, 8)},
                               depotCount);
    TColunas columns;
    columns.taskGenerator = &tasks;
    columns.uncoveredTasks.fill(2);
    std::string fileName = (folder.path() / "columns.txt").string();
    TRunFiles files;
    TColumnFileSink file(files, fileName);
    file.begin(columnRunInfo(tasks));
    columns.sinks = {&file};
    std::int32_t counter = 0;
    for (const auto& chain : chains) columns.writeColumn(1, counter, chain);
    file.end(finalCount);
    EXPECT_FALSE(std::filesystem::exists(fileName)) << "named before the commit";
    files.commit();
    EXPECT_EQ(entriesOf(folder.path()), std::vector<std::string>{"columns.txt"});
    return readFile(fileName);
}

// Values past their 32-bit field refuse the run, naming the column, instead of wrapping.
TEST(ColumnLine, RefusesValuesThatDoNotFitTheirField) {
    struct TRow {
        std::vector<TTarefa> tasks;
        std::int32_t counterBefore;
        const char* expected;
    };
    const TRow rows[] = {
        {{handTask("01/01/2006 08:00", "01/01/2006 09:00", 1, 2, INT32_MAX - 500),
          handTask("01/01/2006 10:00", "01/01/2006 11:00", 2, 3, 600)},
         0,
         "a coluna 1 tem custo 2147484547"},
        {{handTask("01/01/0001 08:00", "31/12/9999 09:00", 1, 2),
          handTask("31/12/9999 10:00", "31/12/9999 11:00", 2, 3)},
         6,
         "a coluna 7 tem minutos trabalhados"},
        {{filler(), filler()}, INT32_MAX, "mais de 2147483647 colunas"},
    };
    for (const TRow& row : rows) {
        TTarefas tasks = handTasks(row.tasks, 3);
        TColunas columns;
        columns.taskGenerator = &tasks;
        columns.uncoveredTasks.fill(tasks.count);
        std::int32_t counter = row.counterBefore;
        try {
            columns.writeColumn(1, counter, {0, 1});
            ADD_FAILURE() << "accepted " << row.expected;
        } catch (const EParameterError& error) {
            EXPECT_NE(std::string(error.what()).find(row.expected), std::string::npos) << error.what();
        }
    }
}

TEST(ColumnFile, HeaderListsDepotsWithTheirWeights) {
    EXPECT_EQ(writeColumnFile(0, {}, 0), "2\n0         \n0\n");
    EXPECT_EQ(writeColumnFile(1, {}, 0), "2\n0         \n1 1 0.400000\n");
    EXPECT_EQ(writeColumnFile(3, {}, 0), "2\n0         \n3 1 0.400000 2 0.300000 3 0.300000\n");
    EXPECT_EQ(writeColumnFile(4, {}, 0),
              "2\n0         \n4 1 0.400000 2 0.200000 3 0.200000 4 0.200000\n");
}

TEST(ColumnFile, CountIsWrittenOverTheBlankField) {
    // 15 idle minutes, 105 worked, tasks cost 7 + 8
    EXPECT_EQ(writeColumnFile(2, {{0, 1}, {1}}, 2),
              "2\n2         \n2 1 0.400000 2 0.600000\n1 815 1 105 2 1 2\n2 808 1 45 1 2\n");
    EXPECT_EQ(linesOf(writeColumnFile(2, {}, 250))[1], "250       ");
    EXPECT_EQ(linesOf(writeColumnFile(2, {}, 2147483647))[1], "2147483647");
}

}  // namespace
