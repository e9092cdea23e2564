#include "tasks/tasks.h"

#include <climits>
#include <filesystem>
#include <regex>

#include <gtest/gtest.h>

#include "columns/columns.h"
#include "common/random_source.h"
#include "driver/setting_table.h"
#include "support/test_support.h"
#include "tasks/task_order.h"
#include "trips/trips.h"

using namespace gerador;

namespace {

// The driver's trip matrix and task parameters.
struct TStandardInput {
    TViagens trips;
    TTarefas generator;

    TStandardInput() {
        TColunas columns;
        applySettings(TSettings(), trips, generator, columns);
        testing::internal::CaptureStdout();
        trips.generateTrips(false, false);
        testing::internal::GetCapturedStdout();
    }

    std::string generate(bool writeFile = false, bool echo = false) {
        testing::internal::CaptureStdout();
        generator.generateTasks(trips, writeFile, echo);
        return testing::internal::GetCapturedStdout();
    }
};

std::string textOf(TDateTime value) {
    return textFromDateTime(value, "DD/MM/YYYY HH:mm:ss");
}

TEST(QuarterHours, StartsMoveDownAndEndsMoveUp) {
    struct Row {
        const char* raw;
        const char* expected;
    };
    const Row starts[] = {
        {"01/01/2006 08:15:20", "01/01/2006 08:00:00"}, {"01/01/2006 08:16", "01/01/2006 08:15:00"},
        {"01/01/2006 08:15", "01/01/2006 08:00:00"},    {"01/01/2006 08:30", "01/01/2006 08:15:00"},
        {"01/01/2006 08:46", "01/01/2006 08:45:00"},    {"01/01/2006 08:00", "01/01/2006 08:00:00"},
        {"01/01/2006 08:45", "01/01/2006 08:30:00"},
    };
    for (const Row& row : starts) {
        EXPECT_EQ(textOf(startOnQuarterHour(dateTimeFromText(row.raw))), row.expected) << row.raw;
    }
    // Reads as 09:00:00.000 once rounded to the millisecond.
    double almostNine = static_cast<double>(dateTimeFromText("01/01/2006 09:00")) - 0.4 / 86400000.0;
    EXPECT_EQ(textOf(startOnQuarterHour(almostNine)), "01/01/2006 09:00:00");

    const Row ends[] = {
        {"01/01/2006 10:00", "01/01/2006 10:00:00"}, {"01/01/2006 10:01", "01/01/2006 10:15:00"},
        {"01/01/2006 10:15", "01/01/2006 10:30:00"}, {"01/01/2006 10:44", "01/01/2006 10:45:00"},
        {"01/01/2006 10:45", "01/01/2006 11:00:00"}, {"01/01/2006 23:50", "02/01/2006 00:00:00"},
    };
    for (const Row& row : ends) {
        EXPECT_EQ(textOf(endOnQuarterHour(dateTimeFromText(row.raw))), row.expected) << row.raw;
    }
    // A quarter-hour trip: from 08:45 it ends on the hour, from 08:00 it takes half an hour.
    TDateTime quarter = timeFromText("00:15");
    EXPECT_EQ(textOf(endOnQuarterHour(dateTimeFromText("01/01/2006 08:45") + quarter)), "01/01/2006 09:00:00");
    EXPECT_EQ(textOf(endOnQuarterHour(dateTimeFromText("01/01/2006 08:00") + quarter)), "01/01/2006 08:30:00");
}

TEST(QuarterHours, WindowEndsGiveTheFirstAndLastStarts) {
    TTarefas parameters;
    parameters.maxDuration = timeFromText("09:01");
    EXPECT_EQ(textOf(startOnQuarterHour(rawStartOf(parameters, 0.0))), "01/01/2006 08:00:00");
    TDateTime latest = rawStartOf(parameters, 1.0);
    EXPECT_EQ(textOf(latest), "03/01/2006 22:59:00");
    EXPECT_EQ(textOf(startOnQuarterHour(latest)), "03/01/2006 22:45:00");
}

TEST(TaskRun, TasksAreOrderedOnQuarterHoursAndTiedToDepots) {
    TStandardInput input;
    EXPECT_EQ(input.generate(), "   150 tarefas geradas com sucesso.\n   Pressione ENTER para continuar!\n\n\n");
    const std::vector<TTarefa>& tasks = input.generator.tasks;
    ASSERT_EQ(tasks.size(), 150u);
    for (std::size_t position = 0; position < tasks.size(); ++position) {
        const TTarefa& task = tasks[position];
        std::uint16_t hour, minute, second, millisecond;
        splitTime(task.start, hour, minute, second, millisecond);
        EXPECT_EQ(minute % 15, 0);
        EXPECT_EQ(second + millisecond, 0);
        splitTime(task.end, hour, minute, second, millisecond);
        EXPECT_EQ(minute % 15, 0);
        EXPECT_GE(task.end, task.start);
        EXPECT_EQ(static_cast<double>(task.duration), task.end - task.start);
        EXPECT_GE(task.origin, 1);
        EXPECT_LE(task.destination, 10);
        if (position > 7) {
            EXPECT_NE(task.origin, task.destination) << position;
        }
        if (position > 0) {
            EXPECT_FALSE(taskBefore(task, tasks[position - 1])) << position;
        }
    }
    for (std::size_t position = 0; position <= 7; ++position) EXPECT_LE(tasks[position].origin, 3);
    for (std::size_t position = 142; position < 150; ++position) {
        EXPECT_LE(tasks[position].destination, 3);
        EXPECT_NE(tasks[position].destination, tasks[position].origin);
    }

    // Each run seeds its own source, whatever was drawn before it.
    TStandardInput again;
    randomsource::srand(99);
    randomsource::lrand();
    again.generate();
    for (std::size_t position = 0; position < tasks.size(); ++position) {
        EXPECT_EQ(textOf(again.generator.tasks[position].start), textOf(tasks[position].start));
        EXPECT_EQ(again.generator.tasks[position].cost, tasks[position].cost);
    }
}

// count div 20 + 1 tasks at each end: 6 for 100 tasks, so the 7th from each end is
// free to be anywhere, and over a few seeds it is not always at a depot.
TEST(TaskRun, DepotTiesReachExactlyCountDivTwentyPlusOneTasks) {
    int freeOriginsAtDepot = 0;
    int freeDestinationsAtDepot = 0;
    const int seeds = 12;
    for (int seed = 0; seed < seeds; ++seed) {
        TStandardInput input;
        input.generator.count = 100;
        input.generator.depotCount = 2;
        input.generator.seed = static_cast<std::uint32_t>(seed);
        input.generate();
        const std::vector<TTarefa>& tasks = input.generator.tasks;
        for (std::size_t position = 0; position <= 5; ++position) EXPECT_LE(tasks[position].origin, 2);
        for (std::size_t position = 94; position < 100; ++position) EXPECT_LE(tasks[position].destination, 2);
        freeOriginsAtDepot += tasks[6].origin <= 2;
        freeDestinationsAtDepot += tasks[93].destination <= 2;
    }
    EXPECT_LT(freeOriginsAtDepot, seeds);
    EXPECT_LT(freeDestinationsAtDepot, seeds);
}

TEST(TaskRun, SingleTaskAndNoTask) {
    TStandardInput single;
    single.generator.count = 1;
    single.generate();
    ASSERT_EQ(single.generator.tasks.size(), 1u);
    const TTarefa& task = single.generator.tasks[0];
    EXPECT_LE(task.origin, 3);
    EXPECT_LE(task.destination, 3);
    EXPECT_NE(task.origin, task.destination);

    TStandardInput none;
    none.generator.count = 0;
    EXPECT_EQ(none.generate(), "   0 tarefas geradas com sucesso.\n   Pressione ENTER para continuar!\n\n\n");
    EXPECT_TRUE(none.generator.tasks.empty());
}

TEST(TaskRun, EqualExtraCostBoundsAddTheirValueWithoutADraw) {
    TStandardInput plain;
    plain.generator.extraCostMin = plain.generator.extraCostMax = 0;
    plain.generate();
    TStandardInput shifted;
    shifted.generator.extraCostMin = shifted.generator.extraCostMax = 5;
    shifted.generate();
    for (std::size_t position = 0; position < 150; ++position) {
        const TTarefa& task = plain.generator.tasks[position];
        EXPECT_EQ(shifted.generator.tasks[position].cost, task.cost + 5);
        EXPECT_EQ(static_cast<double>(shifted.generator.tasks[position].start), static_cast<double>(task.start));
        if (position > 7 && position < 142) {
            EXPECT_EQ(task.cost, plain.trips.trips[static_cast<std::size_t>(task.origin - 1)]
                                                  [static_cast<std::size_t>(task.destination - 1)].cost);
        }
    }
}

TEST(TaskFile, HasTheCountsThenOneLinePerTask) {
    TTemporaryFolder folder;
    std::filesystem::create_directory(folder.path() / "arquivos");
    TWorkingDirectory inFolder(folder.path());
    TStandardInput input;
    std::string console = input.generate(true, true);

    std::vector<std::string> lines = linesOf(readFile("arquivos/tarefas.txt"));
    ASSERT_EQ(lines.size(), 152u);
    EXPECT_EQ(lines[0], "150");
    EXPECT_EQ(lines[1], "10");
    const std::regex format(R"((\d+) \d\d/\d\d/\d{4} \d\d:\d\d \d\d/\d\d/\d{4} \d\d:\d\d \d\d:\d\d \d+ \d+ \d+)");
    for (std::size_t position = 0; position < 150; ++position) {
        const std::string& line = lines[position + 2];
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, format)) << line;
        EXPECT_EQ(match[1], std::to_string(position + 1));
    }
    // Seed 0 over the standard matrix; the draw order (class, origin, destination, extra
    // cost, then the start fraction) and the quarter-hour rounding all show here.
    EXPECT_EQ(lines[2], "1 01/01/2006 08:30 01/01/2006 09:00 00:30 2 3 98");
    EXPECT_EQ(lines[3], "2 01/01/2006 08:30 01/01/2006 09:00 00:30 3 9 76");
    EXPECT_EQ(lines[4], "3 01/01/2006 08:30 01/01/2006 09:15 00:45 1 2 185");
    // The echo is the task lines alone, then two empty lines and the closing lines.
    std::string taskLines = readFile("arquivos/tarefas.txt").substr(7);
    EXPECT_EQ(console,
              taskLines + "\n\n   150 tarefas geradas com sucesso.\n   Pressione ENTER para continuar!\n\n\n");
}

TEST(TaskRun, RejectsParametersThatWouldHangOrReadOutsideTheMatrix) {
    auto rejects = [](auto change, const char* parameter) {
        TStandardInput input;
        change(input);
        testing::internal::CaptureStdout();
        try {
            input.generator.generateTasks(input.trips, false, false);
            ADD_FAILURE() << "accepted " << parameter;
        } catch (const EParameterError& error) {
            EXPECT_NE(std::string(error.what()).find(parameter), std::string::npos) << error.what();
        }
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    };
    rejects([](TStandardInput& input) { input.generator.count = -1; }, "count = -1");
    rejects([](TStandardInput& input) { input.generator.depotCount = 1; }, "depotCount = 1");
    rejects([](TStandardInput& input) { input.generator.depotCount = 11; }, "depotCount = 11");
    rejects([](TStandardInput& input) { input.trips.locationCount = 12; }, "trips.size() = 10");
    rejects(
        [](TStandardInput& input) {
            input.trips.locationCount = 1;
            input.generator.depotCount = 1;
        },
        "locationCount = 1");
}

// The array is extended, not replaced: a second run orders both draws together.
TEST(TaskRun, SecondRunAppendsAndOrdersTheWholeArray) {
    TStandardInput input;
    input.generator.count = 20;
    input.generate();
    std::vector<TTarefa> first = input.generator.tasks;
    input.generate();
    ASSERT_EQ(input.generator.tasks.size(), 40u);
    for (std::size_t position = 1; position < 40; ++position) {
        EXPECT_FALSE(taskBefore(input.generator.tasks[position], input.generator.tasks[position - 1])) << position;
    }
    int firstStartsFound = 0;
    for (const TTarefa& task : input.generator.tasks) firstStartsFound += task.start == first[0].start;
    EXPECT_GE(firstStartsFound, 2);
}

TEST(TaskRun, RefusesCostsAndWindowsOutsideTheirRange) {
    auto rejects = [](auto change, const char* expected) {
        TStandardInput input;
        change(input.generator);
        std::string message = "accepted";
        testing::internal::CaptureStdout();
        try {
            input.generator.generateTasks(input.trips, false, false);
        } catch (const EParameterError& error) {
            message = error.what();
        }
        testing::internal::GetCapturedStdout();
        EXPECT_NE(message.find(expected), std::string::npos) << expected << ": " << message;
    };
    rejects([](TTarefas& tasks) { tasks.extraCostMin = INT32_MIN; tasks.extraCostMax = 10; }, "extraCostMax = 10");
    rejects([](TTarefas& tasks) { tasks.extraCostMin = INT32_MAX - 10; tasks.extraCostMax = INT32_MAX; },
            "extraCostMax = 2147483647");
    rejects([](TTarefas& tasks) { tasks.extraCostMin = tasks.extraCostMax = INT32_MAX - 20; },
            "extraCostMax = 2147483627");
    rejects(
        [](TTarefas& tasks) {
            tasks.windowEnd = dateTimeFromText("31/12/9999 23:00");
            tasks.maxDuration = 0.0;
        },
        "windowEnd = 31/12/9999 23:00");
    rejects([](TTarefas& tasks) { tasks.windowStart = tasks.windowEnd = dateTimeFromText("01/01/0001 02:00"); },
            "maxDuration = 09:01");
    rejects([](TTarefas& tasks) { tasks.windowStart = 1e300; }, "windowStart = 1e+300");
}

TEST(TaskRun, MissingFolderFailsWithoutWritingAnything) {
    TTemporaryFolder folder;
    TWorkingDirectory inFolder(folder.path());
    TStandardInput input;
    testing::internal::CaptureStdout();
    EXPECT_THROW(input.generator.generateTasks(input.trips, true, false), EFileError);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(entriesOf(folder.path()).empty());
}

}  // namespace
