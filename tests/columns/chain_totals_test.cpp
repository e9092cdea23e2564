#include "columns/chain_totals.h"

#include <climits>
#include <random>

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

    // Durations made by hand that are not whole minutes (30.5 and 29.75 minutes) take the
    // exact path: the fast sum would give 61 minutes for 60.25.
    tasks.tasks[0].end = tasks.tasks[0].start + 30.5 / 1440.0;
    tasks.tasks[1].end = tasks.tasks[1].start + 29.75 / 1440.0;
    kept.reset();
    kept.update(tasks.tasks, {0, 1});
    EXPECT_EQ(kept.workMinutes(), minutesOf(30.5 / 1440.0 + 29.75 / 1440.0));
    EXPECT_EQ(kept.workMinutes(), 60);
}

}  // namespace

namespace {

// The work minutes from the exact sum agree with the minutes of the double sum, whole
// days included, where a sum a hair below them counts a day less. Durations are those of
// real tasks: quarter hours between instants read from text, added in chain order.
TEST(ChainTotals, WorkMinutesFromTheExactSumAgreeWithTheDoubleSum) {
    std::mt19937 source(7);
    int wholeDays = 0;
    int aHairBelow = 0;
    for (int chain = 0; chain < 100000; ++chain) {
        double workDays = 0.0;
        std::int64_t exactMinutes = 0;
        int length = 1 + static_cast<int>(source() % 13);
        for (int task = 0; task < length; ++task) {
            // A start on a quarter hour of a day in 2006 to 9999, and a duration of 15 minutes
            // to 3 hours, or of 2 to 8 whole hours to meet whole days often.
            double start = dateTimeFromText("01/01/2006 00:00") + static_cast<double>(source() % 2900000) +
                           static_cast<double>(source() % 96) / 96.0;
            std::int64_t minutes = chain % 3 == 0 ? 60 * (2 + static_cast<std::int64_t>(source() % 7))
                                                  : 15 * (1 + static_cast<std::int64_t>(source() % 12));
            double end = dateTimeFromText(textFromDateTime(start + static_cast<double>(minutes) / 1440.0 + 1e-7,
                                                           "DD/MM/YYYY HH:mm"));
            workDays += end - start;
            exactMinutes += minutes;
        }
        wholeDays += exactMinutes % 1440 == 0;
        aHairBelow += exactMinutes % 1440 == 0 && workDays < static_cast<double>(exactMinutes / 1440);
        ASSERT_EQ(minutesOfSum(workDays, exactMinutes), minutesOf(workDays)) << chain;
    }
    EXPECT_GT(wholeDays, 100) << "the sums should meet whole days";
    EXPECT_GT(aHairBelow, 10) << "and some should fall a hair below them";
}

}  // namespace
