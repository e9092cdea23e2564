#include "columns/column_line.h"

#include <climits>

#include <gtest/gtest.h>

using namespace gerador;

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

// Text kept from column to column must equal text written from scratch, also when the
// columns it is given skip numbers: a sample, or columns of another producer, whose
// shared counts refer to columns it never saw.
TEST(TaskNumberText, ReusesOnlyThePrefixOfTheColumnBefore) {
    using TChain = std::vector<std::int32_t>;
    struct TRow {
        TChain chain;
        std::int32_t number;
        std::size_t shared;  // with the column numbered number - 1, as the producer says
    };
    const TRow rows[] = {
        {{0, 1, 2}, 1, 0},    {{0, 1, 10}, 2, 2},   {{0, 1, 10, 99, 100}, 3, 3}, {{0, 2}, 4, 1},
        {{9999}, 5, 0},       {{9999, 10000}, 6, 1}, {{7, 8, 9}, 10, 2},           {{7, 8, 5}, 11, 2},
        {{3, 4, 5, 6}, 9, 3}, {{3, 4}, 20001, 2},
    };
    TTaskNumberText kept;
    kept.prepare(10001);
    for (const TRow& row : rows) {
        TPricedColumn column;
        column.tasks = &row.chain;
        column.number = row.number;
        column.sharedTasks = row.shared;
        std::string expected;
        for (std::int32_t task : row.chain) expected += " " + std::to_string(task + 1);
        EXPECT_EQ(kept.update(column), expected) << "column " << row.number;
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
