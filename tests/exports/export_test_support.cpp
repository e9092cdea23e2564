#include "exports/export_test_support.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <limits>
#include <sstream>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace gerador {

const TSmallInstance kSmallInstances[5] = {
    {"4 locais, 10 tarefas, semente 4", 4, 10, 4},
    {"4 locais, 14 tarefas, semente 4", 4, 14, 4},
    {"6 locais, 14 tarefas, semente 3", 6, 14, 3},
    {"4 locais, 12 tarefas, semente 1", 4, 12, 1},
    {"5 locais, 12 tarefas, semente 2", 5, 12, 2},
};

TSettings smallSettings(const TSmallInstance& instance) {
    TSettings settings;
    settings.locationCount = instance.locationCount;
    settings.count = instance.count;
    settings.taskSeed = instance.seed;
    settings.columnSeed = instance.seed;
    settings.minTasks = 0;
    settings.maxTasks = 4;
    settings.columnEcho = false;
    return settings;
}

void runQuietly(const TSettings& settings) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    runStages(settings);
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
}

TOptimum exhaustiveOptimum(std::int32_t taskCount, const std::vector<TTestColumn>& columns, TModel model,
                           std::int64_t slackCost) {
    auto tasks = static_cast<std::size_t>(taskCount);
    std::vector<std::vector<const TTestColumn*>> columnsOfTask(tasks + 1);
    for (const TTestColumn& column : columns) {
        EXPECT_GT(column.cost, 0) << "the search bounds on positive costs";
        for (std::int32_t task : column.tasks) columnsOfTask[static_cast<std::size_t>(task)].push_back(&column);
    }
    std::vector<int> timesCovered(tasks + 1, 0);
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    // Every solution holds a column with the lowest task not yet covered: branch on those.
    std::function<void(std::size_t, std::int64_t)> search = [&](std::size_t lowest, std::int64_t cost) {
        if (cost >= best) return;  // costs are positive
        while (lowest <= tasks && timesCovered[lowest] > 0) ++lowest;
        if (lowest > tasks) {
            best = std::min(best, cost);
            return;
        }
        if (model == TModel::elastic) {
            ++timesCovered[lowest];
            search(lowest, cost + slackCost);
            --timesCovered[lowest];
        }
        for (const TTestColumn* column : columnsOfTask[lowest]) {
            bool fits = true;
            for (std::int32_t task : column->tasks) {
                fits = fits && (model == TModel::cover || timesCovered[static_cast<std::size_t>(task)] == 0);
            }
            if (!fits) continue;
            for (std::int32_t task : column->tasks) ++timesCovered[static_cast<std::size_t>(task)];
            search(lowest, cost + column->cost);
            for (std::int32_t task : column->tasks) --timesCovered[static_cast<std::size_t>(task)];
        }
    };
    search(1, 0);
    if (best == std::numeric_limits<std::int64_t>::max()) return std::nullopt;
    return best;
}

}  // namespace gerador

namespace gerador {

bool solversMissing() {
    return toolsMissing({"glpsol", "cbc"});
}

// glpsol's plain solution file: "s mip <rows> <columns> <status> <objective>", then
// "j <position> <value>" per column.
TSolverResult glpsolSolve(const std::filesystem::path& mps, const std::vector<std::string>& columnNames) {
    std::filesystem::path solution = mps.parent_path() / "glpsol.sol";
    std::string command = "glpsol --freemps '" + mps.string() + "' -w '" + solution.string() + "' > /dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    TSolverResult result;
    bool sawStatus = false;
    for (const std::string& line : linesOf(readFile(solution))) {
        std::istringstream fields(line.substr(std::min<std::size_t>(line.size(), 2)));
        if (line.rfind("s mip", 0) == 0) {
            std::string mip, rows, columns, status;
            double objective = 0;
            fields >> mip >> rows >> columns >> status >> objective;
            sawStatus = true;
            if (status == "n") return result;
            EXPECT_EQ(status, "o") << line;
            result.objective = static_cast<std::int64_t>(std::llround(objective));
        } else if (line.rfind("j ", 0) == 0) {
            std::size_t position = 0;
            double value = 0;
            fields >> position >> value;
            if (value > 0.5 && position >= 1 && position <= columnNames.size()) {
                result.chosen.insert(columnNames[position - 1]);
            }
        }
    }
    EXPECT_TRUE(sawStatus) << "no status line from glpsol";
    return result;
}

// glpsol's basic solution: "s bas <rows> <columns> <primal status> <dual status> <objective>".
std::optional<double> glpsolRelaxation(const std::filesystem::path& mps) {
    std::filesystem::path solution = mps.parent_path() / "glpsol_lp.sol";
    std::string command =
        "glpsol --freemps '" + mps.string() + "' --nomip -w '" + solution.string() + "' > /dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    for (const std::string& line : linesOf(readFile(solution))) {
        if (line.rfind("s bas", 0) != 0) continue;
        std::istringstream fields(line.substr(5));
        std::string rows, columns, primal, dual;
        double objective = 0;
        fields >> rows >> columns >> primal >> dual >> objective;
        if (primal != "f") return std::nullopt;
        return objective;
    }
    ADD_FAILURE() << "no status line from glpsol";
    return std::nullopt;
}

// cbc's solution file: "Optimal - objective value <objective>" or "Infeasible ...", then
// "<index> <name> <value> <cost>" per column that is not zero.
TSolverResult cbcSolve(const std::filesystem::path& mps) {
    std::filesystem::path solution = mps.parent_path() / "cbc.sol";
    std::string command = "cbc '" + mps.string() + "' -solve -solu '" + solution.string() + "' -quit > /dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::vector<std::string> lines = linesOf(readFile(solution));
    TSolverResult result;
    if (lines.empty() || lines[0].rfind("Infeasible", 0) == 0) return result;
    EXPECT_EQ(lines[0].rfind("Optimal - objective value ", 0), 0u) << lines[0];
    result.objective = static_cast<std::int64_t>(std::llround(std::stod(lines[0].substr(lines[0].rfind(' ') + 1))));
    for (std::size_t line = 1; line < lines.size(); ++line) {
        std::istringstream fields(lines[line]);
        std::string index, name;
        double value = 0;
        fields >> index >> name >> value;
        if (value > 0.5) result.chosen.insert(name);
    }
    return result;
}

}  // namespace gerador
