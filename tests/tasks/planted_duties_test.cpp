#include "tasks/planted_duties.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "columns/columns.h"
#include "driver/setting_table.h"
#include "tasks/tasks.h"
#include "trips/trips.h"

using namespace gerador;

namespace {

TEST(PlantedDuties, CountsThatSplitIntoDuties) {
    struct TRow {
        std::int32_t count, shortest, longest;
        bool splits;
    };
    const TRow rows[] = {
        {0, 3, 13, true},  {2, 3, 13, false}, {3, 3, 13, true},  {150, 3, 13, true}, {4, 3, 3, false},
        {6, 3, 3, true},   {151, 3, 3, false}, {7, 3, 4, true},  {5, 3, 4, false},  {11, 5, 6, true},
        {13, 5, 6, false}, {17, 5, 6, true},  {1, 2, 1, false},
    };
    for (const TRow& row : rows) {
        EXPECT_EQ(splitsIntoDuties(row.count, row.shortest, row.longest), row.splits)
            << row.count << " in " << row.shortest << ".." << row.longest;
    }
}

constexpr double kMinute = 1.0 / 1440.0;

// Every duty starts at a depot, each next task leaves where the one before arrived, 15 to
// 60 minutes after it ended, and the duties partition the ordered tasks.
TEST(PlantedDuties, AreChainsOfSuccessorsThatPartitionTheTasks) {
    struct TRow {
        std::int32_t count, locations, shortest, longest;
        std::uint32_t seed;
    };
    const TRow rows[] = {{150, 10, 3, 13, 0}, {40, 4, 2, 4, 7}, {7, 3, 3, 4, 1}, {60, 20, 5, 6, 3}};
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.count);
        TViagens trips;
        TTarefas generator;
        TColunas columns;
        applySettings(TSettings(), trips, generator, columns);
        trips.locationCount = row.locations;
        generator.count = row.count;
        generator.seed = row.seed;
        generator.plant = true;
        generator.dutyMinTasks = row.shortest;
        generator.dutyMaxTasks = row.longest;
        testing::internal::CaptureStdout();
        trips.generateTrips(false, false);
        generator.generateTasks(trips, false, false);
        testing::internal::GetCapturedStdout();

        std::vector<int> dutiesOfTask(static_cast<std::size_t>(row.count), 0);
        for (const std::vector<std::int32_t>& duty : generator.plantedDuties) {
            EXPECT_GE(duty.size(), static_cast<std::size_t>(row.shortest));
            EXPECT_LE(duty.size(), static_cast<std::size_t>(row.longest));
            EXPECT_LE(generator.tasks[static_cast<std::size_t>(duty.front())].origin, generator.depotCount);
            for (std::size_t position = 0; position < duty.size(); ++position) {
                ++dutiesOfTask[static_cast<std::size_t>(duty[position])];
                if (position == 0) continue;
                const TTarefa& before = generator.tasks[static_cast<std::size_t>(duty[position - 1])];
                const TTarefa& task = generator.tasks[static_cast<std::size_t>(duty[position])];
                EXPECT_EQ(task.origin, before.destination);
                double gapMinutes = (task.start - before.end) / kMinute;
                EXPECT_TRUE(gapMinutes > 14.99 && gapMinutes < 60.01) << gapMinutes;
                EXPECT_LT(duty[position - 1], duty[position]) << "a duty runs forward in task order";
            }
        }
        EXPECT_TRUE(std::all_of(dutiesOfTask.begin(), dutiesOfTask.end(), [](int duties) { return duties == 1; }));
    }
}

}  // namespace
