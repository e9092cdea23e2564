#include "solve/pruned_pricing.h"

#include <algorithm>
#include <array>
#include <map>
#include <random>
#include <string>
#include <unordered_set>

#include <gtest/gtest.h>

#include "columns/columns.h"
#include "common/console.h"
#include "common/run_environment.h"
#include "driver/instance_run.h"
#include "driver/settings.h"
#include "solve/integer_solution.h"
#include "solve/master.h"
#include "solve/solver.h"
#include "tasks/tasks.h"
#include "trips/trips.h"

using namespace gerador;

// The pricing sink comes with the solver.
#ifdef GERADOR_HAVE_SOLVER

namespace {

struct TPricingCase {
    const char* label;
    std::int32_t count;
    std::int32_t minTasks;
    std::int32_t maxTasks;
    std::uint32_t seed;
};

// Duals as column generation meets them: none, every column negative, near the costs
// (many columns either side), and whole numbers, where reduced costs tie.
std::vector<std::pair<std::string, std::vector<double>>> dualVectors(const TTarefas& tasks, std::uint32_t seed) {
    std::mt19937 source(seed);
    auto count = static_cast<std::size_t>(tasks.count);
    std::vector<std::pair<std::string, std::vector<double>>> vectors;
    vectors.push_back({"zero", std::vector<double>(count, 0.0)});
    vectors.push_back({"large", std::vector<double>(count, 5000.0)});
    for (double scale : {0.8, 1.2, 2.0}) {
        std::vector<double> duals(count);
        for (std::size_t task = 0; task < count; ++task) {
            std::uniform_real_distribution<double> draw(0.0, 2.0 * scale);
            duals[task] = draw(source) * (tasks.tasks[task].cost + 800.0 / 3);
        }
        vectors.push_back({"random x" + std::to_string(scale), duals});
    }
    std::vector<double> whole(count);
    for (std::size_t task = 0; task < count; ++task) whole[task] = static_cast<double>(source() % 3) * 400.0;
    vectors.push_back({"whole numbers", whole});
    return vectors;
}

struct TPass {
    std::vector<TKeptColumn> columns;
    bool overflowed = false;
    double lowest = 0;
    std::size_t shortest = 0;
};

TPass passOf(TColumnSource& source, const std::vector<double>& duals, double threshold, std::size_t capacity,
             bool costFree, const std::unordered_set<std::int32_t>& inMaster, bool fullFeed) {
    TPricingSink sink(duals, threshold, capacity, costFree, inMaster);
    if (fullFeed) {
        source.feed(sink);
    } else {
        source.price(sink);
    }
    TPass pass;
    pass.overflowed = sink.overflowed();
    pass.lowest = sink.lowestReducedCost();
    pass.shortest = sink.shortestColumn();
    pass.columns = sink.takeColumns();
    return pass;
}

TGenerators generatedFor(const TSettings& settings, TRunEnvironment& environment) {
    TGenerators generators = generatorsFor(settings, &environment);
    generators.trips->generateTrips(false, false);
    generators.tasks->generateTasks(*generators.trips, false, false);
    return generators;
}

}  // namespace

// Pruned passes on one and on three threads keep exactly the columns a full pass keeps:
// the same numbers, costs, tasks and reduced costs, ties included, and the same flags.
TEST(PrunedPricing, KeepsWhatAFullPassKeepsOnAnyThreadCount) {
    const std::vector<TPricingCase> cases = {
        {"30 tasks, chains of 3 to 6", 30, 2, 6, 7},
        {"40 tasks, any chain of 2 or more", 40, 1, 13, 3},
        {"60 tasks, chains of 1 to 4", 60, 0, 4, 11},
        {"60 tasks, long chains only", 60, 4, 9, 5},
        // Far past the longest path: the tables stop where the chains do.
        {"40 tasks, a length bound no chain reaches", 40, 2, 100000, 9},
    };
    for (const TPricingCase& pricingCase : cases) {
        TSettings settings;
        settings.count = pricingCase.count;
        settings.taskSeed = pricingCase.seed;
        settings.minTasks = pricingCase.minTasks;
        settings.maxTasks = pricingCase.maxTasks;
        settings.acceptPercent = 100;
        TTextConsole console;
        TRunEnvironment environment;
        environment.console = &console;
        TGenerators generators = generatedFor(settings, environment);
        const TTarefas& tasks = *generators.tasks;
        TEnumeratedColumns full(tasks, *generators.columns);
        std::unordered_set<std::int32_t> inMaster = {1, 2, 5, 40};
        for (const auto& [dualsLabel, duals] : dualVectors(tasks, pricingCase.seed)) {
            for (bool costFree : {false, true}) {
                for (double threshold : {-1e-6, 150.0}) {
                    for (std::size_t capacity : {std::size_t{7}, std::size_t{1} << 30}) {
                        TPass expected = passOf(full, duals, threshold, capacity, costFree, inMaster, true);
                        for (std::int32_t threads : {1, 3}) {
                            std::string label = std::string(pricingCase.label) + ", " + dualsLabel +
                                                (costFree ? ", cost free" : "") + ", threshold " +
                                                std::to_string(threshold) + ", capacity " + std::to_string(capacity) +
                                                ", " + std::to_string(threads) + " threads";
                            TColunas columnSettings = *generators.columns;
                            columnSettings.threads = threads;
                            TEnumeratedColumns pruned(tasks, columnSettings);
                            std::vector<double> zero(duals.size(), 0.0);
                            // The first pass records the searches; the second prunes.
                            passOf(pruned, zero, -1e-6, 1, false, {}, false);
                            TPass found = passOf(pruned, duals, threshold, capacity, costFree, inMaster, false);
                            ASSERT_EQ(found.columns.size(), expected.columns.size()) << label;
                            for (std::size_t index = 0; index < found.columns.size(); ++index) {
                                const TKeptColumn& got = found.columns[index];
                                const TKeptColumn& want = expected.columns[index];
                                ASSERT_EQ(got.number, want.number) << label << ", column " << index;
                                EXPECT_EQ(got.cost, want.cost) << label;
                                EXPECT_EQ(got.tasks, want.tasks) << label;
                                EXPECT_EQ(got.reducedCost, want.reducedCost) << label;
                            }
                            EXPECT_EQ(found.overflowed, expected.overflowed) << label;
                            EXPECT_NEAR(found.lowest, expected.lowest, 1e-9) << label;
                            EXPECT_EQ(found.shortest, expected.shortest) << label;
                        }
                    }
                }
            }
        }
    }
}

// A solve is the same, pass for pass, on one thread and on three: the pricing's columns
// never depend on how the searches were shared out.
TEST(PrunedPricing, SolveIsTheSamePassForPassOnAnyThreadCount) {
    for (TModel model : {TModel::partition, TModel::cover, TModel::elastic}) {
        TSettings settings;
        settings.count = 60;
        settings.maxTasks = 6;
        settings.acceptPercent = 100;
        TTextConsole console;
        TRunEnvironment environment;
        environment.console = &console;
        TGenerators generators = generatedFor(settings, environment);
        std::vector<std::vector<TPricingPass>> traces;
        std::vector<TSolveResult> results;
        for (std::int32_t threads : {1, 3}) {
            TColunas columnSettings = *generators.columns;
            columnSettings.threads = threads;
            TSolveOptions options;
            options.model = model;
            std::vector<TPricingPass>& trace = traces.emplace_back();
            options.onPass = [&trace](const TPricingPass& pass) { trace.push_back(pass); };
            results.push_back(solveInstance(*generators.tasks, columnSettings, options));
        }
        std::string label = "model " + std::to_string(static_cast<int>(model));
        ASSERT_EQ(traces[0].size(), traces[1].size()) << label;
        ASSERT_GT(traces[0].size(), 2u) << label;
        for (std::size_t pass = 0; pass < traces[0].size(); ++pass) {
            EXPECT_EQ(traces[0][pass].masterObjective, traces[1][pass].masterObjective) << label << ", pass " << pass;
            EXPECT_EQ(traces[0][pass].columnsAdded, traces[1][pass].columnsAdded) << label << ", pass " << pass;
            EXPECT_EQ(traces[0][pass].lowestReducedCost, traces[1][pass].lowestReducedCost) << label;
        }
        EXPECT_EQ(results[0].status, results[1].status) << label;
        EXPECT_EQ(results[0].objective, results[1].objective) << label;
        EXPECT_EQ(results[0].bound, results[1].bound) << label;
        EXPECT_EQ(results[0].nodes, results[1].nodes) << label;
        EXPECT_EQ(results[0].solution.columns, results[1].solution.columns) << label;
    }
}

// Covering the 117 lines of the affine space of 27 points (each line a task, each point a
// column of its 13 lines) takes 18 points, against an LP value of 9: a search without cuts
// does not prove it in a few nodes, so the full search decides. Side by side or one after
// the other, the outcome is the same.
TEST(IntegerSearch, SameOutcomeWithTheQuickSearchBesideOrBefore) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "minutes of forks under the thread sanitizer, and no threads to check";
#endif
    std::map<std::array<int, 3>, std::int32_t> lines;
    auto pointOf = [](int a, int b, int c) { return a * 9 + b * 3 + c; };
    for (int x = 0; x < 27; ++x) {
        for (int y = x + 1; y < 27; ++y) {
            int z = pointOf((6 - x / 9 - y / 9) % 3, (6 - x / 3 % 3 - y / 3 % 3) % 3, (6 - x % 3 - y % 3) % 3);
            std::array<int, 3> line{x, y, z};
            std::sort(line.begin(), line.end());
            lines.emplace(line, static_cast<std::int32_t>(lines.size()));
        }
    }
    ASSERT_EQ(lines.size(), 117u);
    std::vector<TKeptColumn> points(27);
    for (std::size_t point = 0; point < points.size(); ++point) {
        points[point].number = static_cast<std::int32_t>(point) + 1;
        points[point].cost = 1;
    }
    for (const auto& [line, task] : lines) {
        for (int point : line) points[static_cast<std::size_t>(point)].tasks.push_back(task);
    }
    std::vector<TIntegerOutcome> outcomes;
    for (bool beside : {false, true}) {
        outcomes.push_back(solveInteger(points, 117, TModel::cover, 1.0, 60, {}, beside));
        EXPECT_TRUE(outcomes.back().proven) << beside;
        EXPECT_EQ(outcomes.back().objective, 18) << beside;
        EXPECT_EQ(outcomes.back().columns.size(), 18u) << beside;
    }
    EXPECT_EQ(outcomes[0].columns, outcomes[1].columns);
    EXPECT_EQ(outcomes[0].nodes, outcomes[1].nodes);
}

#endif
