#include "exports/solution_file.h"

#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include "exports/export_test_support.h"
#include "solve/solver.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

struct TReadSolution {
    std::int64_t objective = 0;
    std::vector<std::string> names;
};

// A MIPLIB solution file read back: "=obj= <value>", then "<name> <value>" lines.
TReadSolution readSolution(const std::string& text) {
    TReadSolution solution;
    std::vector<std::string> lines = linesOf(text);
    EXPECT_FALSE(lines.empty());
    for (std::size_t line = 0; line < lines.size(); ++line) {
        std::istringstream fields(lines[line]);
        std::string name, value;
        fields >> name >> value;
        if (line == 0) {
            EXPECT_EQ(name, "=obj=");
            solution.objective = std::stoll(value);
        } else {
            EXPECT_EQ(value, "1") << lines[line];
            solution.names.push_back(name);
        }
    }
    return solution;
}

// The column and MPS names of a run's columns, in file order, and its slacks after them.
std::vector<std::string> mpsColumnNames(std::size_t columns, std::int32_t tasks, bool slacks) {
    std::vector<std::string> names;
    for (std::size_t column = 1; column <= columns; ++column) names.push_back("C" + std::to_string(column));
    for (std::int32_t task = 1; slacks && task <= tasks; ++task) names.push_back("S" + std::to_string(task));
    return names;
}

// Planted instances have a partition: the solution file holds it, exactly once per task,
// with columns of the column file and its cost; the exhaustive search and both solvers
// find an optimum no dearer.
TEST(PlantedSolution, IsAnExactPartitionThatSolversConfirm) {
    if (solversMissing()) GTEST_SKIP();
    struct TRow {
        std::int32_t count, locations, minTasks, maxTasks;
        std::uint32_t seed;
    };
    const TRow rows[] = {{8, 4, 1, 4, 1}, {12, 6, 1, 4, 2}, {16, 4, 1, 4, 3}, {20, 6, 2, 4, 4}, {24, 6, 1, 4, 5}};
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.count);
        TTemporaryFolder folder;
        TWorkingDirectory inFolder(folder.path());
        TSettings settings;
        settings.count = row.count;
        settings.locationCount = row.locations;
        settings.minTasks = row.minTasks;
        settings.maxTasks = row.maxTasks;
        settings.taskSeed = row.seed;
        settings.plant = true;
        settings.columnEcho = false;
        settings.mpsFileName = "p.mps";
        settings.solutionFileName = "p.sol";
        settings.reportFileName = "r.json";
        runQuietly(settings);

        std::vector<TTestColumn> columns = readColumnFile(readFile("150_3304438.txt")).columns;
        TReadSolution solution = readSolution(readFile("p.sol"));
        std::vector<int> covered(static_cast<std::size_t>(row.count) + 1, 0);
        std::int64_t cost = 0;
        for (const std::string& name : solution.names) {
            ASSERT_EQ(name[0], 'C');
            std::size_t number = std::stoul(name.substr(1));
            ASSERT_TRUE(number >= 1 && number <= columns.size()) << name;
            cost += columns[number - 1].cost;
            for (std::int32_t task : columns[number - 1].tasks) ++covered[static_cast<std::size_t>(task)];
        }
        EXPECT_EQ(std::count(covered.begin() + 1, covered.end(), 1), row.count) << "every task exactly once";
        EXPECT_EQ(solution.objective, cost);
        nlohmann::json report = nlohmann::json::parse(readFile("r.json"));
        EXPECT_EQ(report["partition"]["exactPartition"], true);
        EXPECT_EQ(report["partition"]["witness"], "planted");
        EXPECT_EQ(report["partition"]["cost"], cost);

        TOptimum optimum = exhaustiveOptimum(row.count, columns, TModel::partition);
        ASSERT_TRUE(optimum.has_value());
        EXPECT_LE(*optimum, cost);
        EXPECT_EQ(cbcSolve(folder.path() / "p.mps").objective, optimum);
        EXPECT_EQ(glpsolSolve(folder.path() / "p.mps").objective, optimum);
    }
}

// The elastic model always has a solution; its optimum is the exhaustive one with slacks,
// and it uses a slack exactly when no exact partition exists.
TEST(ElasticModel, SolversUseSlacksOnlyWithoutAPartition) {
    if (solversMissing()) GTEST_SKIP();
    std::map<bool, int> seen;  // by whether a partition exists
    for (const TSmallInstance& instance : kSmallInstances) {
        SCOPED_TRACE(instance.label);
        TTemporaryFolder folder;
        TWorkingDirectory inFolder(folder.path());
        TSettings settings = smallSettings(instance);
        settings.mpsFileName = "e.mps";
        settings.model = TModel::elastic;
        settings.reportFileName = "r.json";
        runQuietly(settings);
        std::vector<TTestColumn> columns = readColumnFile(readFile("150_3304438.txt")).columns;
        nlohmann::json report = nlohmann::json::parse(readFile("r.json"));
        std::int64_t slackCost = report["elastic"]["uncoveredCost"];
        bool partitionable = exhaustiveOptimum(instance.count, columns, TModel::partition).has_value();
        ++seen[partitionable];
        TOptimum expected = exhaustiveOptimum(instance.count, columns, TModel::elastic, slackCost);
        ASSERT_TRUE(expected.has_value());

        TSolverResult cbc = cbcSolve(folder.path() / "e.mps");
        TSolverResult glpsol =
            glpsolSolve(folder.path() / "e.mps", mpsColumnNames(columns.size(), instance.count, true));
        for (const TSolverResult& solved : {cbc, glpsol}) {
            EXPECT_EQ(solved.objective, expected);
            bool usesSlack = std::any_of(solved.chosen.begin(), solved.chosen.end(),
                                         [](const std::string& name) { return name[0] == 'S'; });
            EXPECT_EQ(usesSlack, !partitionable);
        }
    }
    EXPECT_TRUE(seen[true] > 0 && seen[false] > 0) << "the instances should include both kinds";
}

// A solved elastic instance without an exact partition leaves tasks to their slacks: the
// solution file names them, so that the checker finds every task covered and the cost whole.
TEST(ElasticModel, ASolvedSolutionNamesItsSlacksAndPassesTheCheck) {
    if (!solverAvailable()) GTEST_SKIP() << "built without Clp and Cbc";
    const std::vector<std::string> instance = {"--count", "24", "--location-count", "6", "--min-tasks", "1",
                                               "--max-tasks", "4", "--task-seed", "5", "--model", "elastic",
                                               "--no-column-write-file", "--no-column-echo", "--no-wait"};
    TTemporaryFolder folder;
    std::vector<std::string> solving = instance;
    solving.insert(solving.end(), {"--solve", "--solution", "s.sol"});
    TProgramResult solved = runProgram(folder.path(), withArguments(solving));
    ASSERT_EQ(solved.exitStatus, 0) << solved.standardError;
    TReadSolution solution = readSolution(readFile(folder.path() / "s.sol"));
    EXPECT_TRUE(std::any_of(solution.names.begin(), solution.names.end(),
                            [](const std::string& name) { return name[0] == 'S'; }))
        << readFile(folder.path() / "s.sol");
    std::vector<std::string> checking = instance;
    checking.insert(checking.end(), {"--check-solution", "s.sol"});
    TProgramResult checked = runProgram(folder.path(), withArguments(checking));
    EXPECT_EQ(checked.exitStatus, 0) << checked.standardError;
}

}  // namespace
