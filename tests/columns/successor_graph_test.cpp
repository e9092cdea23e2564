#include <gtest/gtest.h>

#include "columns/column_test_support.h"
#include "columns/columns.h"

using namespace gerador;

namespace {

using TList = std::vector<std::int32_t>;

TEST(SuccessorGraph, SuccessorStartsStrictlyLaterWhereTheTaskEnds) {
    TTarefas tasks = handTasks(
        {
            handTask("01/01/2006 09:00", "01/01/2006 10:15", 1, 4),  // 0
            handTask("01/01/2006 10:15", "01/01/2006 11:00", 4, 2),  // 1: starts as 0 ends
            handTask("01/01/2006 10:15", "01/01/2006 11:30", 4, 2),  // 2: same start as 1
            handTask("01/01/2006 10:30", "01/01/2006 11:00", 4, 5),  // 3
            handTask("01/01/2006 10:30", "01/01/2006 12:00", 5, 4),  // 4: wrong place
            handTask("02/01/2006 08:00", "02/01/2006 09:00", 2, 1),  // 5: the next day
        },
        3);
    TColunas columns;
    columns.buildSuccessorGraph(tasks);
    ASSERT_EQ(columns.successors.size(), 6u);
    EXPECT_EQ(columns.successors[0], (TList{3}));
    EXPECT_EQ(columns.successors[1], (TList{5}));
    EXPECT_EQ(columns.successors[2], (TList{5}));
    EXPECT_EQ(columns.successors[3], (TList{}));
    EXPECT_EQ(columns.successors[4], (TList{}));
    EXPECT_EQ(columns.successors[5], (TList{}));  // the last task never has one
    EXPECT_EQ(columns.startTasks, (TList{0, 5}));

    // A second build starts from empty lists.
    columns.buildSuccessorGraph(tasks);
    EXPECT_EQ(columns.successors[0], (TList{3}));
    EXPECT_EQ(columns.startTasks, (TList{0, 5}));
}

TEST(SuccessorGraph, StartTasksLeaveFromADepot) {
    std::vector<TTarefa> list = {
        handTask("01/01/2006 08:00", "01/01/2006 09:00", 4, 1),
        handTask("01/01/2006 08:00", "01/01/2006 09:00", 1, 4),
        handTask("01/01/2006 08:15", "01/01/2006 09:00", 3, 3),
    };
    TColunas columns;
    columns.buildSuccessorGraph(handTasks(list, 3));
    EXPECT_EQ(columns.startTasks, (TList{1, 2}));
    columns.buildSuccessorGraph(handTasks(list, 0));
    EXPECT_TRUE(columns.startTasks.empty());

    columns.buildSuccessorGraph(handTasks({}, 3));
    EXPECT_TRUE(columns.successors.empty());
    EXPECT_TRUE(columns.startTasks.empty());

    TTarefas tooFew = handTasks(list, 3);
    tooFew.count = 4;
    EXPECT_THROW(columns.buildSuccessorGraph(tooFew), EParameterError);
}

}  // namespace
