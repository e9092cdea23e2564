#include "columns/chain_totals.h"

#include <climits>

#include <gtest/gtest.h>

#include "columns/column_test_support.h"

using namespace gerador;

namespace {

using TChain = std::vector<std::int32_t>;

// Totals kept from chain to chain must equal totals worked out from scratch.
TEST(ChainTotals, ReusedPrefixGivesTheSameTotalsAsAFreshStart) {
    TTarefas tasks = handTasks(
        {
            handTask("01/01/2006 08:00", "01/01/2006 09:00", 1, 2, 10),
            handTask("01/01/2006 09:15", "01/01/2006 10:00", 2, 3, 20),
            handTask("01/01/2006 10:30", "01/01/2006 12:00", 3, 4, 30),
            handTask("01/01/2006 12:15", "01/01/2006 13:00", 4, 5, 40),
            handTask("01/01/2006 13:15", "02/01/2006 09:00", 5, 6, 50),
            handTask("02/01/2006 10:00", "02/01/2006 11:00", 6, 7, 60),
        },
        3);
    const std::vector<TChain> chains = {{0, 1, 2}, {0, 1, 3}, {0, 1, 3, 4, 5}, {0, 2}, {1, 3, 4}, {1}, {0, 1, 2}};
    TChainTotals kept;
    for (const TChain& chain : chains) {
        kept.update(tasks.tasks, chain);
        TChainTotals fresh;
        fresh.update(tasks.tasks, chain);
        EXPECT_EQ(kept.taskCosts(), fresh.taskCosts());
        EXPECT_EQ(kept.workMinutes(), fresh.workMinutes());
        EXPECT_EQ(kept.spanMinutes(), fresh.spanMinutes());
    }
    kept.update(tasks.tasks, {0, 1, 3, 4, 5});
    EXPECT_EQ(kept.taskCosts(), 10 + 20 + 40 + 50 + 60);
    EXPECT_EQ(kept.workMinutes(), 60 + 45 + 45 + 1185 + 60);
    EXPECT_EQ(kept.spanMinutes(), 1620);

    // The same tasks changed in place: reset forgets what was kept.
    tasks.tasks[1].cost = 1000;
    kept.reset();
    kept.update(tasks.tasks, {0, 1});
    EXPECT_EQ(kept.taskCosts(), 1010);
}

}  // namespace
