#include "columns/column_line.h"

#include <climits>

#include <gtest/gtest.h>

namespace {

TEST(AppendNumber, WritesPlainDecimal) {
    const std::pair<std::int32_t, const char*> rows[] = {
        {0, "0"}, {7, "7"}, {10, "10"}, {99, "99"}, {100, "100"}, {999, "999"},
        {1000, "1000"}, {1503325, "1503325"}, {INT32_MAX, "2147483647"}, {-14, "-14"}, {INT32_MIN, "-2147483648"},
    };
    for (const auto& [value, expected] : rows) {
        char text[16];
        EXPECT_EQ(std::string(text, appendNumber(text, value)), expected) << value;
    }
}

// Text kept from column to column must equal text written from scratch.
TEST(TaskNumberText, ReusedPrefixGivesTheSameTextAsAFreshStart) {
    using TChain = std::vector<std::int32_t>;
    const std::vector<std::pair<TChain, std::size_t>> columns = {
        {{0, 1, 2}, 0}, {{0, 1, 10}, 2}, {{0, 1, 10, 99, 100}, 3}, {{0, 2}, 1}, {{9999}, 0}, {{9999, 10000}, 1}};
    TTaskNumberText kept;
    kept.prepare(10001);
    for (const auto& [chain, shared] : columns) {
        TPricedColumn column;
        column.tasks = &chain;
        column.sharedTasks = shared;
        TTaskNumberText fresh;
        fresh.prepare(10001);
        std::string expected;
        for (std::int32_t task : chain) expected += " " + std::to_string(task + 1);
        EXPECT_EQ(kept.update(column), expected);
        EXPECT_EQ(fresh.update(column, false), expected);
    }
}

// Counting in the text must carry like the numbers do, and a jump starts afresh.
TEST(ColumnNumberText, CountsLikeTheNumbers) {
    TColumnNumberText text;
    for (std::int32_t number : {1, 2, 9, 10, 11, 99, 100, 101, 5, 6, 999999, 1000000, 1000001, 0, 1}) {
        EXPECT_EQ(text.update(number), std::to_string(number));
    }
    for (std::int32_t number = 1; number <= 12000; ++number) ASSERT_EQ(text.update(number), std::to_string(number));
}

}  // namespace
