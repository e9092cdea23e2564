#include "report/json_report.h"

#include <map>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include "exports/export_test_support.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

using TCounts = std::map<std::string, std::int64_t>;

// The report agrees with the column file it describes, and names what it was run with.
TEST(JsonReport, DescribesTheColumnFileOfTheRun) {
    for (const TSmallInstance& instance : kSmallInstances) {
        TTemporaryFolder folder;
        TWorkingDirectory inFolder(folder.path());
        TSettings settings = smallSettings(instance);
        settings.reportFileName = "r.json";
        settings.orlibFileName = "i.txt";
        runQuietly(settings);
        nlohmann::json report = nlohmann::json::parse(readFile("r.json"));
        std::string columnFile = readFile("150_3304438.txt");
        std::vector<TTestColumn> columns = columnsOfColumnFile(columnFile);

        std::vector<std::int64_t> coverage(static_cast<std::size_t>(instance.count), 0);
        TCounts byLength;
        std::int64_t lowestCost = columns.empty() ? 0 : columns[0].cost;
        for (const TTestColumn& column : columns) {
            for (std::int32_t task : column.tasks) ++coverage[static_cast<std::size_t>(task - 1)];
            ++byLength[std::to_string(column.tasks.size())];
            lowestCost = std::min(lowestCost, column.cost);
        }
        EXPECT_EQ(report["program"]["version"], GERADOR_VERSION);
        EXPECT_EQ(report["settings"]["count"], instance.count);
        EXPECT_EQ(report["settings"]["task-seed"], instance.seed);
        EXPECT_EQ(report["settings"]["orlib"], "i.txt");
        EXPECT_EQ(report["tasks"]["count"], instance.count);
        EXPECT_EQ(report["columns"]["total"], columns.size()) << instance.label;
        EXPECT_EQ(report["columns"]["phase1"].get<std::int64_t>() + report["columns"]["phase2"].get<std::int64_t>(),
                  static_cast<std::int64_t>(columns.size()));
        EXPECT_EQ(report["columns"]["byLength"].get<TCounts>(), byLength);
        EXPECT_EQ(report["columns"]["cost"]["min"], lowestCost);
        EXPECT_EQ(report["coverage"]["byTask"].get<std::vector<std::int64_t>>(), coverage) << instance.label;
        bool partitionable = exhaustiveOptimum(instance.count, columns, TModel::partition).has_value();
        EXPECT_TRUE(report["partition"]["exactPartition"].is_null() || !partitionable) << instance.label;
        EXPECT_EQ(report["files"],
                  nlohmann::json::parse(R"([{"name": "150_3304438.txt", "bytes": )" + std::to_string(columnFile.size()) +
                                        R"(}, {"name": "i.txt", "bytes": )" +
                                        std::to_string(readFile("i.txt").size()) + "}]"));
        EXPECT_GT(report["run"]["peakMemoryKB"], 0);
    }
}

}  // namespace
