#include "report/json_report.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include "exports/export_test_support.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

using TCounts = std::map<std::string, std::int64_t>;

struct TTestTask {
    std::string start;  // "DD/MM/YYYY HH:MM", as the task file writes it
    std::string end;
    std::string duration;
    std::int32_t origin = 0;
    std::int32_t destination = 0;
    std::int32_t cost = 0;
};

// "DD/MM/YYYY HH:MM" as ISO 8601, "YYYY-MM-DDTHH:MM".
std::string iso(const std::string& text) {
    return text.substr(6, 4) + "-" + text.substr(3, 2) + "-" + text.substr(0, 2) + "T" + text.substr(11, 5);
}

// The tasks of "arquivos/tarefas.txt", read back field by field.
std::vector<TTestTask> tasksOfFile(const std::string& text) {
    std::vector<TTestTask> tasks;
    std::vector<std::string> lines = linesOf(text);
    for (std::size_t line = 2; line < lines.size(); ++line) {
        std::istringstream fields(lines[line]);
        std::string number, startDate, startTime, endDate, endTime;
        TTestTask task;
        fields >> number >> startDate >> startTime >> endDate >> endTime >> task.duration >> task.origin >>
            task.destination >> task.cost;
        task.start = startDate + " " + startTime;
        task.end = endDate + " " + endTime;
        tasks.push_back(task);
    }
    return tasks;
}

// Every figure of the report against a count of its own over the column and task files
// (a mean once came from integer division, a depot count from the origins, the phases
// were swapped, an uncovered task was named one off).
TEST(JsonReport, FiguresAgreeWithCountsOverTheFiles) {
    for (const TSmallInstance& instance : kSmallInstances) {
        TTemporaryFolder folder;
        TWorkingDirectory inFolder(folder.path());
        std::filesystem::create_directory("arquivos");
        TSettings settings = smallSettings(instance);
        settings.reportFileName = "r.json";
        settings.orlibFileName = "i.txt";
        settings.taskWriteFile = true;
        runQuietly(settings);
        nlohmann::json report = nlohmann::json::parse(readFile("r.json"));
        std::string columnText = readFile("150_3304438.txt");
        const std::vector<TTestColumn> columns = readColumnFile(columnText).columns;
        const std::vector<TTestTask> tasks = tasksOfFile(readFile("arquivos/tarefas.txt"));
        const std::int32_t depots = settings.depotCount;
        auto isDepot = [depots](std::int32_t location) { return location >= 1 && location <= depots; };
        SCOPED_TRACE(instance.label);

        std::int64_t fromDepot = 0, toDepot = 0;
        for (const TTestTask& task : tasks) {
            fromDepot += isDepot(task.origin);
            toDepot += isDepot(task.destination);
        }
        std::vector<std::int64_t> coverage(tasks.size(), 0);
        TCounts byLength, byDepot;
        std::int64_t phase1 = 0, costSum = 0, lowestCost = INT64_MAX, highestCost = INT64_MIN,
                     lowestMinutes = INT64_MAX;
        for (const TTestColumn& column : columns) {
            for (std::int32_t task : column.tasks) ++coverage[static_cast<std::size_t>(task - 1)];
            ++byLength[std::to_string(column.tasks.size())];
            ++byDepot[std::to_string(column.depot)];
            // Every offered chain is written, so phase 1 wrote exactly the chains of start tasks.
            phase1 += isDepot(tasks[static_cast<std::size_t>(column.tasks[0] - 1)].origin);
            costSum += column.cost;
            lowestCost = std::min(lowestCost, column.cost);
            highestCost = std::max(highestCost, column.cost);
            lowestMinutes = std::min(lowestMinutes, column.workMinutes);
        }
        std::int64_t least = *std::min_element(coverage.begin(), coverage.end());
        std::vector<std::int64_t> leastTasks, uncovered;
        for (std::size_t task = 0; task < coverage.size(); ++task) {
            if (coverage[task] == least) leastTasks.push_back(static_cast<std::int64_t>(task) + 1);
            if (coverage[task] == 0) uncovered.push_back(static_cast<std::int64_t>(task) + 1);
        }

        EXPECT_EQ(report["program"]["version"], GERADOR_VERSION);
        EXPECT_EQ(report["settings"]["taskSeed"], instance.seed);
        EXPECT_EQ(report["settings"]["orlib"], "i.txt");
        EXPECT_EQ(report["tasks"]["count"], tasks.size());
        EXPECT_EQ(report["tasks"]["leavingFromDepot"], fromDepot);
        EXPECT_EQ(report["tasks"]["arrivingAtDepot"], toDepot);
        EXPECT_EQ(report["tasks"]["firstStart"], iso(tasks.front().start));
        // The tasks as a table: explicit numbers, ISO times, every field of the task file.
        const nlohmann::json& table = report["tasks"]["table"];
        ASSERT_EQ(table.size(), tasks.size());
        for (std::size_t task = 0; task < tasks.size(); ++task) {
            const nlohmann::json& row = table[task];
            EXPECT_EQ(row["number"], task + 1);
            EXPECT_EQ(row["start"], iso(tasks[task].start));
            EXPECT_EQ(row["end"], iso(tasks[task].end));
            EXPECT_EQ(row["durationMinutes"], std::stoi(tasks[task].duration.substr(0, 2)) * 60 +
                                                  std::stoi(tasks[task].duration.substr(3, 2)));
            EXPECT_EQ(row["origin"], tasks[task].origin);
            EXPECT_EQ(row["destination"], tasks[task].destination);
            EXPECT_EQ(row["cost"], tasks[task].cost);
            EXPECT_EQ(row["startTask"], isDepot(tasks[task].origin));
        }
        EXPECT_EQ(report["trips"]["table"].size(),
                  static_cast<std::size_t>(settings.locationCount * (settings.locationCount - 1)));
        EXPECT_EQ(report["columns"]["total"], columns.size());
        EXPECT_EQ(report["columns"]["phase1"], phase1);
        EXPECT_EQ(report["columns"]["phase2"], static_cast<std::int64_t>(columns.size()) - phase1);
        EXPECT_EQ(report["columns"]["byLength"].get<TCounts>(), byLength);
        EXPECT_EQ(report["columns"]["byDepot"].get<TCounts>(), byDepot);
        EXPECT_EQ(report["columns"]["cost"]["min"], lowestCost);
        EXPECT_EQ(report["columns"]["cost"]["max"], highestCost);
        EXPECT_DOUBLE_EQ(report["columns"]["cost"]["mean"].get<double>(),
                         static_cast<double>(costSum) / static_cast<double>(columns.size()));
        EXPECT_EQ(report["columns"]["workMinutes"]["min"], lowestMinutes);
        EXPECT_EQ(report["coverage"]["byTask"].get<std::vector<std::int64_t>>(), coverage);
        EXPECT_EQ(report["coverage"]["least"]["columns"], least);
        EXPECT_EQ(report["coverage"]["least"]["tasks"].get<std::vector<std::int64_t>>(), leastTasks);
        EXPECT_EQ(report["coverage"]["uncovered"].get<std::vector<std::int64_t>>(), uncovered);
        if (!uncovered.empty()) {
            EXPECT_EQ(report["partition"]["task"], uncovered.front());
        }
        bool partitionable = exhaustiveOptimum(instance.count, columns, TModel::partition).has_value();
        EXPECT_TRUE(report["partition"]["exactPartition"].is_null() || !partitionable);
        nlohmann::json files = nlohmann::json::array();
        for (const char* name : {"arquivos/tarefas.txt", "150_3304438.txt", "i.txt"}) {
            files.push_back({{"name", name}, {"bytes", readFile(name).size()}, {"sha256", sha256Of(name)}});
        }
        EXPECT_EQ(report["files"], files);
        EXPECT_GT(report["run"]["peakMemoryKB"], 0);
    }
}

// The console names at most five of the least covered tasks and counts the rest.
TEST(ConsoleSummary, NamesFiveLeastCoveredTasksAndCountsTheRest) {
    TRunResult result;
    TInstanceFacts& facts = result.instance;
    facts.columnCount = 40;
    facts.phaseColumns[0] = 30;
    facts.phaseColumns[1] = 10;
    facts.leastCoverage = 2;
    for (std::int32_t task = 0; task < 12; ++task) facts.leastCovered.push_back(task * 3);
    std::string text = consoleSummary(result);
    EXPECT_NE(text.find("   Relatório: 40 colunas (30 na fase 1, 10 na fase 2).\n"), std::string::npos) << text;
    EXPECT_NE(text.find("   Menor cobertura: 2 colunas, tarefas 1, 4, 7, 10, 13 e mais 7.\n"), std::string::npos)
        << text;
    facts.leastCovered.resize(1);
    EXPECT_NE(consoleSummary(result).find("   Menor cobertura: 2 colunas, tarefa 1.\n"), std::string::npos);
}

}  // namespace
