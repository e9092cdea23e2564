#include "tasks/task_order.h"

#include <gtest/gtest.h>

#include "tasks/tasks.h"

using namespace gerador;

namespace {

TTarefa taskAt(const char* start, const char* end, std::int32_t cost = 0) {
    TTarefa task;
    task.start = dateTimeFromText(start);
    task.end = dateTimeFromText(end);
    task.cost = cost;
    return task;
}

std::vector<std::int32_t> costsOf(const std::vector<TTarefa>& tasks) {
    std::vector<std::int32_t> costs;
    for (const TTarefa& task : tasks) costs.push_back(task.cost);
    return costs;
}

TEST(TaskOrder, ByStartThenByEnd) {
    std::vector<TTarefa> tasks = {
        taskAt("01/01/2006 08:00", "01/01/2006 12:00", 1),
        taskAt("01/01/2006 09:30", "01/01/2006 10:00", 2),
        taskAt("01/01/2006 08:45", "01/01/2006 09:00", 3),
        taskAt("01/01/2006 10:15", "01/01/2006 12:00", 4),
        taskAt("01/01/2006 10:15", "01/01/2006 11:30", 5),
        taskAt("31/12/2005 23:45", "01/01/2006 01:00", 6),  // earlier date comes first
    };
    sortTasks(tasks);
    EXPECT_EQ(costsOf(tasks), (std::vector<std::int32_t>{6, 1, 3, 2, 5, 4}));
    EXPECT_FALSE(taskBefore(tasks[0], tasks[0]));
}

TEST(TaskOrder, EqualStartAndEndKeepTheDrawnOrder) {
    std::vector<TTarefa> tasks;
    for (std::int32_t drawn = 0; drawn < 40; ++drawn) {
        tasks.push_back(drawn % 2 == 0 ? taskAt("02/01/2006 10:00", "02/01/2006 11:00", drawn)
                                       : taskAt("01/01/2006 10:00", "01/01/2006 11:00", drawn));
    }
    sortTasks(tasks);
    for (std::size_t position = 1; position < 20; ++position) {
        EXPECT_LT(tasks[position - 1].cost, tasks[position].cost);
        EXPECT_LT(tasks[position + 19].cost, tasks[position + 20].cost);
    }
    EXPECT_EQ(tasks[0].cost, 1);
    EXPECT_EQ(tasks[20].cost, 0);

    std::vector<TTarefa> none;
    sortTasks(none);
    EXPECT_TRUE(none.empty());
}

}  // namespace
