#include "report/partition_check.h"

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include <gtest/gtest.h>

#include "exports/export_test_support.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

using TChain = std::vector<std::int32_t>;

// Feeds chains in the given order, numbered, each with the part it shares with the one before.
TPartitionCheck checked(std::int32_t taskCount, const std::vector<TChain>& chains) {
    TPartitionCheck check;
    check.start(taskCount);
    const TChain* previous = nullptr;
    TPricedColumn column;
    for (const TChain& chain : chains) {
        std::size_t shared = 0;
        while (previous != nullptr && shared < previous->size() && shared < chain.size() &&
               (*previous)[shared] == chain[shared]) {
            ++shared;
        }
        ++column.number;
        column.tasks = &chain;
        column.sharedTasks = shared;
        check.add(column);
        previous = &chain;
    }
    check.finish();
    return check;
}

std::string textOf(const TPartitionVerdict& verdict) {
    switch (verdict.kind) {
        case TPartitionVerdict::TKind::uncoveredTask: return "uncovered " + std::to_string(verdict.a);
        case TPartitionVerdict::TKind::neverTogetherPair:
            return "pair " + std::to_string(verdict.a) + " " + std::to_string(verdict.b) + " with " +
                   std::to_string(verdict.c);
        case TPartitionVerdict::TKind::noSimpleObstacle: break;
    }
    return "none";
}

TEST(PartitionCheck, NamesTheCertificateOfHandMadeColumns) {
    const struct {
        std::int32_t taskCount;
        std::vector<TChain> chains;
        const char* expected;
    } rows[] = {
        // Task 2 is in no column.
        {4, {{0, 1}, {0, 3}, {1, 3}}, "uncovered 2"},
        // 1 and 3 never meet, and every column with either holds 0.
        {4, {{0, 1}, {0, 1, 2}, {0, 3}, {2}}, "pair 1 3 with 0"},
        // {0, 1} and {2, 3} partition: no certificate may be claimed.
        {4, {{0, 1}, {0, 2}, {1, 3}, {2, 3}}, "none"},
        // 1 and 2 never meet but {1} alone frees them: no common task.
        {3, {{0, 1}, {1}, {0, 2}}, "none"},
        {0, {}, "none"},
    };
    for (const auto& row : rows) EXPECT_EQ(textOf(checked(row.taskCount, row.chains).verdict()), row.expected);
}

// The pair counts take 4 bytes a pair: up to 5,793 tasks they stay within 64 MB and the
// pair rule runs; past that it is skipped, and says so, while the coverage rule still holds.
TEST(PartitionCheck, CountsPairsUpTo5793Tasks) {
    const struct {
        std::int32_t taskCount;
        bool lastTaskCovered;
        const char* expected;
        bool pairRuleSkipped;
    } rows[] = {
        {5793, true, "pair 1 2 with 0", false},
        {5794, true, "none", true},
        {5794, false, "uncovered 5793", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.taskCount) + (row.lastTaskCovered ? "" : ", the last task uncovered"));
        // 1 and 2 never meet and every column with either holds 0; the other tasks alone.
        std::vector<TChain> chains = {{0, 1}, {0, 2}};
        for (std::int32_t task = 3; task < row.taskCount - (row.lastTaskCovered ? 0 : 1); ++task) chains.push_back({task});
        TPartitionVerdict verdict = checked(row.taskCount, chains).verdict();
        EXPECT_EQ(textOf(verdict), row.expected);
        EXPECT_EQ(verdict.pairRuleSkipped, row.pairRuleSkipped);
    }
}

// The kept per-position aggregates must give what a direct count over the columns gives.
TEST(PartitionCheck, StreamedAggregatesEqualADirectCount) {
    std::mt19937 draw(7);
    std::map<std::string, int> kinds;
    for (int trial = 0; trial < 200; ++trial) {
        auto taskCount = static_cast<std::int32_t>(3 + draw() % 8);
        std::set<TChain> unique;
        for (int column = 0; column < 12; ++column) {
            TChain chain;
            for (std::int32_t task = 0; task < taskCount; ++task) {
                if (draw() % 3 == 0) chain.push_back(task);
            }
            if (!chain.empty()) unique.insert(chain);
        }
        std::vector<TChain> chains(unique.begin(), unique.end());  // depth-first order, as the search writes
        std::vector<std::int64_t> coverage(static_cast<std::size_t>(taskCount), 0);
        for (const TChain& chain : chains) {
            for (std::int32_t task : chain) ++coverage[static_cast<std::size_t>(task)];
        }
        // The rule applied directly.
        std::string expected = "none";
        auto first = std::find(coverage.begin(), coverage.end(), 0);
        if (first != coverage.end()) {
            expected = "uncovered " + std::to_string(first - coverage.begin());
        } else {
            auto holds = [](const TChain& chain, std::int32_t task) {
                return std::find(chain.begin(), chain.end(), task) != chain.end();
            };
            for (std::int32_t a = 0; a < taskCount && expected == "none"; ++a) {
                for (std::int32_t b = a + 1; b < taskCount && expected == "none"; ++b) {
                    for (std::int32_t c = 0; c < taskCount && expected == "none"; ++c) {
                        if (c == a || c == b) continue;
                        bool certificate = true;
                        for (const TChain& chain : chains) {
                            bool hasA = holds(chain, a), hasB = holds(chain, b);
                            if ((hasA && hasB) || ((hasA || hasB) && !holds(chain, c))) certificate = false;
                        }
                        if (certificate) {
                            expected = "pair " + std::to_string(a) + " " + std::to_string(b) + " with " +
                                       std::to_string(c);
                        }
                    }
                }
            }
        }
        TPartitionCheck check = checked(taskCount, chains);
        ASSERT_EQ(check.coverage(), coverage) << "trial " << trial;
        ASSERT_EQ(textOf(check.verdict()), expected) << "trial " << trial;
        ++kinds[expected.substr(0, expected.find(' '))];
    }
    EXPECT_EQ(kinds.size(), 3u) << "the trials should meet every kind of verdict";
}

// A certificate is a proof: the exhaustive search must find no partition where one is claimed.
TEST(PartitionCheck, ClaimsOnGeneratedInstancesAgreeWithTheExhaustiveSearch) {
    int claims = 0;
    for (const TSmallInstance& instance : kSmallInstances) {
        TTemporaryFolder folder;
        TWorkingDirectory inFolder(folder.path());
        runQuietly(smallSettings(instance));
        TColumnFileText columnFile = readColumnFile(readFile("150_3304438.txt"));
        const std::vector<TTestColumn>& columns = columnFile.columns;
        std::int32_t taskCount = columnFile.taskCount;
        std::vector<TChain> chains;
        for (const TTestColumn& column : columns) {
            TChain chain;
            for (std::int32_t task : column.tasks) chain.push_back(task - 1);
            chains.push_back(chain);
        }
        TPartitionVerdict verdict = checked(taskCount, chains).verdict();
        if (verdict.kind == TPartitionVerdict::TKind::noSimpleObstacle) continue;
        ++claims;
        EXPECT_FALSE(exhaustiveOptimum(taskCount, columns, TModel::partition)) << instance.label;
    }
    EXPECT_GT(claims, 0);
}

}  // namespace
