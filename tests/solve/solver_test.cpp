#include "solve/solver.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <limits>
#include <map>
#include <random>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include "exports/export_test_support.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

// On small instances of every kind, the LP bound from column generation is the LP
// optimum glpsol finds over the whole MPS file, and the integer solution is the
// exhaustive optimum wherever the status says optimal (never below it).
TEST(Solver, AgreesWithGlpsolAndTheExhaustiveSearch) {
    if (!solverAvailable()) GTEST_SKIP() << "built without Clp and Cbc";
    if (solversMissing()) GTEST_SKIP();
    struct TRow {
        TSettings settings;
        TModel model;
    };
    std::vector<TRow> rows;
    for (const TSmallInstance& instance : kSmallInstances) {
        for (TModel model : {TModel::partition, TModel::cover, TModel::elastic})
            rows.push_back({smallSettings(instance), model});
    }
    TSettings planted = smallSettings(kSmallInstances[2]);
    planted.plant = true;
    planted.minTasks = 1;
    planted.count = 20;
    rows.push_back({planted, TModel::partition});
    std::map<std::string, int> statuses;
    for (TRow& row : rows) {
        SCOPED_TRACE(std::to_string(row.settings.count) + " tarefas, semente " + std::to_string(row.settings.taskSeed) +
                     ", " + std::string(modelName(row.model)) + (row.settings.plant ? ", plantada" : ""));
        TTemporaryFolder folder;
        TWorkingDirectory inFolder(folder.path());
        row.settings.model = row.model;
        row.settings.mpsFileName = "i.mps";
        row.settings.reportFileName = "r.json";
        row.settings.solve = true;
        row.settings.solveSeconds = 20;
        runQuietly(row.settings);
        nlohmann::json report = nlohmann::json::parse(readFile("r.json"));
        const nlohmann::json& solve = report["solve"];
        std::string status = solve["status"];
        ++statuses[status];

        std::optional<double> relaxation = glpsolRelaxation(folder.path() / "i.mps");
        std::vector<TTestColumn> columns = readColumnFile(readFile("150_3304438.txt")).columns;
        std::int64_t slackCost =
            row.model == TModel::elastic ? report["elastic"]["uncoveredCost"].get<std::int64_t>() : 0;
        TOptimum optimum = exhaustiveOptimum(row.settings.count, columns, row.model, slackCost);
        if (!relaxation) {
            EXPECT_EQ(status, "=inf=");
            EXPECT_TRUE(solve["lpValue"].is_null());
            EXPECT_FALSE(optimum.has_value());
            continue;
        }
        ASSERT_FALSE(solve["lpValue"].is_null()) << solve.dump();
        double lpValue = solve["lpValue"];
        EXPECT_NEAR(lpValue, *relaxation, 1e-6 * std::max(1.0, std::fabs(*relaxation)));
        EXPECT_EQ(solve["bound"], static_cast<std::int64_t>(std::ceil(*relaxation - 1e-6)));
        if (!optimum) {
            EXPECT_EQ(status, "=inf=") << "an integer solution where the exhaustive search finds none";
            continue;
        }
        ASSERT_FALSE(solve["objective"].is_null()) << solve.dump();
        EXPECT_GE(solve["objective"].get<std::int64_t>(), *optimum);
        if (status == "=opt=") {
            EXPECT_EQ(solve["objective"], *optimum);
        }
    }
    EXPECT_GT(statuses["=opt="], 0);
    EXPECT_GT(statuses["=inf="], 0);
}

// The least cost of covering every one of tasks tasks with columns (exactly once when
// exact), by the cheapest way to reach each set of covered tasks; none: no way.
std::optional<std::int64_t> cheapestCover(int tasks, const std::vector<TListedColumn>& columns, bool exact) {
    constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::max();
    std::vector<std::int64_t> cheapest(std::size_t{1} << tasks, kNone);
    cheapest[0] = 0;
    for (std::size_t covered = 0; covered < cheapest.size(); ++covered) {
        if (cheapest[covered] == kNone) continue;
        for (const TListedColumn& column : columns) {
            std::size_t mask = 0;
            for (std::int32_t task : column.tasks) mask |= std::size_t{1} << task;
            if (exact && (mask & covered) != 0) continue;
            std::int64_t& next = cheapest[covered | mask];
            next = std::min(next, cheapest[covered] + column.cost);
        }
    }
    if (cheapest.back() == kNone) return std::nullopt;
    return cheapest.back();
}

// Random columns over a few tasks leave gaps between the LP and the integer optimum, so
// the proof pass runs: a status of optimal must be the true optimum, found by covering
// every set of tasks, and a solution never costs less than it.
TEST(Solver, ProvenOptimaOfRandomColumnsAreTheTrueOnes) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a minute of forks under the thread sanitizer, and no threads to check";
#endif
    if (!solverAvailable()) GTEST_SKIP() << "built without Clp and Cbc";
    constexpr int kTasks = 10;
    constexpr std::int64_t kSlackCost = 40;
    std::mt19937 draws(7);
    int proofs = 0;
    for (int instance = 0; instance < 30; ++instance) {
        std::vector<TListedColumn> columns;
        std::size_t count = 100 + draws() % 400;
        for (std::size_t column = 0; column < count; ++column) {
            std::vector<std::int32_t> tasks;
            for (std::int32_t task = 0; task < kTasks; ++task)
                if (draws() % 3 == 0) tasks.push_back(task);
            if (tasks.empty()) tasks.push_back(static_cast<std::int32_t>(draws() % kTasks));
            columns.push_back({static_cast<std::int32_t>(5 + draws() % 20 * static_cast<unsigned>(tasks.size())),
                               tasks});
        }
        std::vector<TListedColumn> withSlacks = columns;
        for (std::int32_t task = 0; task < kTasks; ++task) withSlacks.push_back({kSlackCost, {task}});
        for (TModel model : {TModel::partition, TModel::cover, TModel::elastic}) {
            SCOPED_TRACE("instance " + std::to_string(instance) + ", " + std::string(modelName(model)));
            std::optional<std::int64_t> optimum =
                model == TModel::elastic ? cheapestCover(kTasks, withSlacks, true)
                                         : cheapestCover(kTasks, columns, model == TModel::partition);
            TListedColumns source(kTasks, columns);
            TSolveOptions options;
            options.model = model;
            options.seconds = 20;
            options.uncoveredCost = kSlackCost;
            TSolveResult result = solveColumns(source, options);
            if (!optimum) {
                EXPECT_NE(result.status, TSolveStatus::optimal);
                EXPECT_FALSE(result.objective.has_value());
                continue;
            }
            ASSERT_TRUE(result.objective.has_value());
            EXPECT_GE(*result.objective, *optimum);
            if (result.status == TSolveStatus::optimal) {
                EXPECT_EQ(*result.objective, *optimum);
            }
            if (result.status == TSolveStatus::optimal && result.bound && *result.bound < *result.objective) ++proofs;
        }
    }
    EXPECT_GT(proofs, 0) << "no instance needed the proof pass";
}

// The standard instance's cover model, 1.5 M columns: the LP bound over all of them and an
// integer solution at the optimum a solver found on the whole file (62900, LP 62899.14),
// in seconds; the solution it writes passes the checker. Too slow under the sanitizers.
TEST(Solver, StandardCoverModelReachesItsKnownOptimum) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "minutes under the sanitizers";
#endif
    if (!solverAvailable()) GTEST_SKIP() << "built without Clp and Cbc";
    TTemporaryFolder folder;
    TRunOptions solving = withArguments({"--model", "cover", "--solve", "--solution", "s.sol", "--report", "r.json",
                                         "--no-column-write-file", "--no-column-echo", "--no-wait"});
    solving.timeoutSeconds = 100;
    TProgramResult solved = runProgram(folder.path(), solving);
    ASSERT_EQ(solved.exitStatus, 0) << solved.standardError;
    nlohmann::json solve = nlohmann::json::parse(readFile(folder.path() / "r.json"))["solve"];
    EXPECT_NEAR(solve["lpValue"].get<double>(), 62899.14, 0.01);
    EXPECT_LE(std::abs(solve["objective"].get<double>() - 62900) / 62900, 0.001) << solve.dump();
    TProgramResult checked = runProgram(
        folder.path(), withArguments({"--model", "cover", "--check-solution", "s.sol", "--no-column-write-file",
                                      "--no-column-echo", "--no-wait"}));
    EXPECT_EQ(checked.exitStatus, 0) << checked.standardError;
}

// When the LP leaves a gap, the proof pass runs the integer search again over every column
// priced within it; finding the same objective proves it optimal (a proof that confirmed the
// objective was once dropped, leaving =best=). Folder 002 of the planted series in the README.
TEST(Solver, AProofThatConfirmsTheObjectiveMakesItOptimal) {
    if (!solverAvailable()) GTEST_SKIP() << "built without Clp and Cbc";
    TTemporaryFolder folder;
    TRunOptions solving = withArguments({"--plant", "--count", "60", "--max-tasks", "6", "--trip-seed", "1",
                                         "--task-seed", "1", "--column-seed", "1", "--solve", "--report", "r.json",
                                         "--no-column-write-file", "--no-column-echo", "--no-wait"});
    solving.timeoutSeconds = 30;
    TProgramResult solved = runProgram(folder.path(), solving);
    ASSERT_EQ(solved.exitStatus, 0) << solved.standardError;
    nlohmann::json solve = nlohmann::json::parse(readFile(folder.path() / "r.json"))["solve"];
    ASSERT_LT(solve["bound"].get<std::int64_t>(), solve["objective"].get<std::int64_t>())
        << "no gap, so no proof pass: " << solve.dump();
    EXPECT_EQ(solve["status"], "=opt=") << solve.dump();
    EXPECT_EQ(solve["objective"], 22981);
}

// A limit of 1e10 seconds overflowed the clock's count of nanoseconds, and the solve
// stopped at once. Ctrl-C reaches the integer search's own process too: its death by
// SIGINT once read as memory that ran out.
TEST(Solver, HugeLimitsAndAnInterruptedSearch) {
    if (!solverAvailable()) GTEST_SKIP() << "built without Clp and Cbc";
    TListedColumns source(2, {{3, {0}}, {4, {1}}, {10, {0, 1}}});
    TSolveOptions options;
    for (double seconds : {1e10, std::numeric_limits<double>::infinity()}) {
        options.seconds = seconds;
        EXPECT_EQ(solveColumns(source, options).objective, 7) << seconds;
    }
    options.faultHook = [](const char* operation) {
        if (std::string_view(operation) != "integer") return 0;
        // As from a terminal, whatever the test was started with.
        std::signal(SIGINT, SIG_DFL);
        raise(SIGINT);
        return 0;
    };
    EXPECT_THROW(solveColumns(source, options), EInterrupted);
}

// Cbc's cut generators allocate without checking, so under a memory limit they died of
// SIGSEGV and took the run with them. The search's process dies instead: the run ends
// with status 1 and a message, and leaves no file.
TEST(Solver, ACrashInTheIntegerSearchEndsTheRunWithAMessage) {
    if (!solverAvailable()) GTEST_SKIP() << "built without Clp and Cbc";
    TTemporaryFolder folder;
    TRunOptions crashing = withArguments({"--plant", "--count", "60", "--max-tasks", "6", "--solve",
                                          "--report", "r.json", "--no-column-echo", "--no-wait"});
    crashing.program = GERADOR_FAULTS_PATH;
    crashing.environment = {"GERADOR_FAULT=integer:1:crash"};
    TProgramResult run = runProgram(folder.path(), crashing);
    EXPECT_EQ(run.exitStatus, 1) << run.standardError;
    // Under the address sanitizer the child reports the crash and exits instead of dying of it.
    EXPECT_NE(run.standardError.find("a busca inteira do Cbc terminou com"), std::string::npos) << run.standardError;
    EXPECT_TRUE(entriesOf(folder.path()).empty());
}

}  // namespace
