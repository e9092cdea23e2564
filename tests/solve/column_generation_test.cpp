#include "solve/solver.h"

#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "common/run_files.h"
#include "exports/export_test_support.h"
#include "exports/mps_export.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

// A hand-made instance: tasks and columns small enough to check by eye and by search.
struct THandInstance {
    const char* label;
    std::int32_t taskCount;
    std::vector<TListedColumn> columns;  // task indices
};

std::vector<THandInstance> handInstances() {
    std::vector<THandInstance> instances = {
        // Two exact partitions ({1,2},{3,4} and {1,3},{2,4}); the LP mixes in {1,4},{2,3}.
        {"two partitions", 4, {{900, {0, 1}}, {950, {2, 3}}, {800, {0, 2}}, {1200, {1, 3}}, {700, {0, 3}}, {700, {1, 2}}}},
        // Task 3 only in columns that also hold task 1 twice over: no exact partition.
        {"no partition", 4, {{500, {0, 1}}, {600, {0, 2}}, {700, {2, 3}}, {650, {1, 3}}, {400, {0, 1, 2}}, {300, {3}}}},
        // A fractional LP: the odd cycle of pairs over three tasks, and singles that cost more.
        {"odd cycle", 3, {{100, {0, 1}}, {100, {1, 2}}, {100, {0, 2}}, {90, {0}}, {90, {1}}, {90, {2}}}},
        // Task 5 is in no column: only the elastic model has a solution.
        {"uncovered task", 5, {{300, {0, 1}}, {320, {2, 3}}, {280, {0, 2}}, {310, {1, 3}}, {900, {0, 1, 2, 3}}}},
    };
    // Random ones: 6 tasks, 10 columns of 1 to 4 tasks.
    std::mt19937 source(11);
    for (int random = 0; random < 4; ++random) {
        THandInstance instance{"random", 6, {}};
        for (int column = 0; column < 10; ++column) {
            std::vector<std::int32_t> tasks;
            for (std::int32_t task = 0; task < 6; ++task) {
                if (source() % 3 == 0) tasks.push_back(task);
            }
            if (tasks.empty()) tasks.push_back(static_cast<std::int32_t>(source() % 6));
            instance.columns.push_back({static_cast<std::int32_t>(800 + source() % 400), tasks});
        }
        instances.push_back(instance);
    }
    return instances;
}

std::vector<TTestColumn> testColumnsOf(const THandInstance& instance) {
    std::vector<TTestColumn> columns;
    for (std::size_t index = 0; index < instance.columns.size(); ++index) {
        TTestColumn& column = columns.emplace_back();
        column.number = static_cast<std::int64_t>(index + 1);
        column.cost = instance.columns[index].cost;
        for (std::int32_t task : instance.columns[index].tasks) column.tasks.push_back(task + 1);
    }
    return columns;
}

// The loop of column generation on hand-made columns, against glpsol's LP over the MPS
// file of the same columns and an exhaustive search of the integer optimum.
TEST(ColumnGeneration, HandMadeColumnsAgreeWithGlpsolAndTheExhaustiveSearch) {
    if (!solverAvailable()) GTEST_SKIP() << "built without Clp and Cbc";
    if (solversMissing()) GTEST_SKIP();
    for (const THandInstance& instance : handInstances()) {
        for (TModel model : {TModel::partition, TModel::cover, TModel::elastic}) {
            SCOPED_TRACE(std::string(instance.label) + ", " + std::string(modelName(model)));
            TTemporaryFolder folder;
            TListedColumns source(instance.taskCount, instance.columns);
            std::int64_t slackCost = 0;
            {
                TRunEnvironment environment;
                environment.baseFolder = folder.path().string();
                TRunFiles files(environment);
                TMpsExport mps(files, "i.mps", model);
                source.feed(mps);
                files.commit();
                if (model == TModel::elastic) slackCost = mps.uncoveredCost();
            }
            TSolveOptions options;
            options.model = model;
            options.seconds = 20;
            std::vector<TPricingPass> passes;
            options.onPass = [&passes](const TPricingPass& pass) { passes.push_back(pass); };
            TSolveResult solved = solveColumns(source, options);

            std::optional<double> relaxation = glpsolRelaxation(folder.path() / "i.mps");
            TOptimum optimum = exhaustiveOptimum(instance.taskCount, testColumnsOf(instance), model, slackCost);
            if (!relaxation) {
                EXPECT_EQ(solved.status, TSolveStatus::infeasible);
                continue;
            }
            ASSERT_TRUE(solved.lpConverged);
            ASSERT_TRUE(solved.lpValue.has_value());
            EXPECT_NEAR(*solved.lpValue, *relaxation, 1e-6);
            // Every pass's Lagrangian bound lies below the LP optimum; the last one meets it.
            for (const TPricingPass& pass : passes) {
                if (pass.lagrangianBound) {
                    EXPECT_LE(*pass.lagrangianBound, *relaxation + 1e-6) << pass.pass;
                }
            }
            ASSERT_FALSE(passes.empty());
            EXPECT_EQ(passes.back().columnsAdded, 0);
            if (!optimum) {
                EXPECT_NE(solved.status, TSolveStatus::optimal);
                EXPECT_FALSE(solved.objective.has_value());
                continue;
            }
            ASSERT_TRUE(solved.objective.has_value());
            EXPECT_GE(*solved.objective, *optimum);
            EXPECT_LE(*solved.bound, *optimum);
            if (solved.status == TSolveStatus::optimal) {
                EXPECT_EQ(*solved.objective, *optimum);
            }
        }
    }
}

// A limit that runs out in the middle of the LP is never reported as convergence: the
// bound is a Lagrangian one, at most the LP optimum, and the status is not "optimal"
// unless the objective meets it.
TEST(ColumnGeneration, ATimeLimitKeepsAValidBound) {
    if (!solverAvailable()) GTEST_SKIP() << "built without Clp and Cbc";
    std::vector<THandInstance> instances = handInstances();
    const THandInstance& instance = instances[0];
    TListedColumns source(instance.taskCount, instance.columns);
    TSolveOptions full;
    full.model = TModel::cover;
    TSolveResult converged = solveColumns(source, full);
    ASSERT_TRUE(converged.lpConverged);

    for (double seconds : {1e-9, 1e-4}) {
        SCOPED_TRACE(seconds);
        TSolveOptions options = full;
        options.seconds = seconds;
        TSolveResult cut = solveColumns(source, options);
        if (cut.lpConverged) continue;  // a fast machine may finish in 0.1 ms
        EXPECT_FALSE(cut.lpValue.has_value());
        if (cut.bound) {
            EXPECT_LE(*cut.bound, *converged.bound);
        }
        if (cut.status == TSolveStatus::optimal) {
            EXPECT_EQ(cut.objective, cut.bound);
        }
        EXPECT_LT(cut.seconds, 5.0);
    }
}

}  // namespace
