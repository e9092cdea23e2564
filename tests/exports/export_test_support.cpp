#include "exports/export_test_support.h"

#include <functional>
#include <limits>
#include <sstream>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace gerador {

const TSmallInstance kSmallInstances[5] = {
    {"4 locais, 10 tarefas, semente 4", 4, 10, 4},
    {"4 locais, 14 tarefas, semente 4", 4, 14, 4},
    {"6 locais, 14 tarefas, semente 3", 6, 14, 3},
    {"4 locais, 12 tarefas, semente 1", 4, 12, 1},
    {"5 locais, 12 tarefas, semente 2", 5, 12, 2},
};

TSettings smallSettings(const TSmallInstance& instance) {
    TSettings settings;
    settings.locationCount = instance.locationCount;
    settings.count = instance.count;
    settings.taskSeed = instance.seed;
    settings.columnSeed = instance.seed;
    settings.minTasks = 0;
    settings.maxTasks = 4;
    settings.columnEcho = false;
    return settings;
}

void runQuietly(const TSettings& settings) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    runStages(settings);
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
}

std::optional<std::int64_t> exhaustiveOptimum(std::int32_t taskCount, const std::vector<TTestColumn>& columns,
                                              TModel model) {
    auto tasks = static_cast<std::size_t>(taskCount);
    std::vector<std::vector<const TTestColumn*>> columnsOfTask(tasks + 1);
    for (const TTestColumn& column : columns) {
        EXPECT_GT(column.cost, 0) << "the search bounds on positive costs";
        for (std::int32_t task : column.tasks) columnsOfTask[static_cast<std::size_t>(task)].push_back(&column);
    }
    std::vector<int> timesCovered(tasks + 1, 0);
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    // Every solution holds a column with the lowest task not yet covered: branch on those.
    std::function<void(std::size_t, std::int64_t)> search = [&](std::size_t lowest, std::int64_t cost) {
        if (cost >= best) return;  // costs are positive
        while (lowest <= tasks && timesCovered[lowest] > 0) ++lowest;
        if (lowest > tasks) {
            best = std::min(best, cost);
            return;
        }
        for (const TTestColumn* column : columnsOfTask[lowest]) {
            bool fits = true;
            for (std::int32_t task : column->tasks) {
                fits = fits && (model == TModel::cover || timesCovered[static_cast<std::size_t>(task)] == 0);
            }
            if (!fits) continue;
            for (std::int32_t task : column->tasks) ++timesCovered[static_cast<std::size_t>(task)];
            search(lowest, cost + column->cost);
            for (std::int32_t task : column->tasks) --timesCovered[static_cast<std::size_t>(task)];
        }
    };
    search(1, 0);
    if (best == std::numeric_limits<std::int64_t>::max()) return std::nullopt;
    return best;
}

}  // namespace gerador
