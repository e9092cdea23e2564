#include "exports/solution_check.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "common/exceptions.h"
#include "exports/export_test_support.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

const std::vector<std::string> kPlanted = {"--plant", "--count", "24", "--location-count", "6", "--min-tasks", "1",
                                           "--max-tasks", "4", "--task-seed", "5", "--no-column-echo", "--no-wait"};

std::vector<std::string> with(std::vector<std::string> arguments, const std::vector<std::string>& more) {
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
}

// Lines of a solution file changed by hand: the planted one, and its first line kept.
std::string edited(const std::string& solution, const std::function<void(std::vector<std::string>&)>& change) {
    std::vector<std::string> lines = linesOf(solution);
    change(lines);
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// The checker accepts the planted solution and refuses every tampered copy with the
// reason, through the program's exit status.
TEST(SolutionCheck, AcceptsThePlantedSolutionAndRefusesTamperedCopies) {
    TTemporaryFolder folder;
    ASSERT_EQ(runProgram(folder.path(), withArguments(with(kPlanted, {"--solution", "p.sol"}))).exitStatus, 0);
    const std::string planted = readFile(folder.path() / "p.sol");
    const std::vector<TTestColumn> columns = readColumnFile(readFile(folder.path() / "150_3304438.txt")).columns;
    // A column that shares a task with the planted first one, to cover that task twice.
    std::string firstName = linesOf(planted)[1].substr(0, linesOf(planted)[1].find(' '));
    const TTestColumn& first = columns[std::stoul(firstName.substr(1)) - 1];
    std::size_t overlapping = 0;
    while (overlapping < columns.size() &&
           (overlapping + 1 == std::stoul(firstName.substr(1)) ||
            std::find(columns[overlapping].tasks.begin(), columns[overlapping].tasks.end(), first.tasks[0]) ==
                columns[overlapping].tasks.end())) {
        ++overlapping;
    }
    ASSERT_LT(overlapping, columns.size());

    struct TRow {
        const char* label;
        std::string text;
        int exitStatus;
        std::string reason;
    };
    const TRow rows[] = {
        {"the planted solution", planted, 0, ""},
        {"a column dropped", edited(planted, [](auto& lines) { lines.pop_back(); }), 1,
         "nenhuma coluna cobre as tarefas"},
        {"a column doubled", edited(planted, [](auto& lines) { lines.push_back(lines[1]); }), 1, "aparece duas vezes"},
        {"a column that does not exist", edited(planted, [](auto& lines) { lines.push_back("C99999999 1"); }), 1,
         "a coluna C99999999 não existe"},
        {"a wrong objective", edited(planted, [](auto& lines) { lines[0] = "=obj= 1"; }), 1,
         "difere do custo recalculado"},
        {"a task covered twice",
         edited(planted, [overlapping](auto& lines) { lines.push_back("C" + std::to_string(overlapping + 1) + " 1"); }),
         1, "são cobertas mais de uma vez"},
        {"a slack outside the elastic model", edited(planted, [](auto& lines) { lines.push_back("S1 1"); }), 1,
         "só existe no modelo elastic"},
        {"a fractional value",
         edited(planted, [](auto& lines) { lines[1] = lines[1].substr(0, lines[1].find(' ')) + " 0.5"; }), 1,
         "vale 0.5"},
        {"not a solution at all", "hello\n", 1, "a linha 1 do arquivo de solução não se lê"},
        // NaN compared as no value at all: it passed the objective check and chose columns.
        {"a nan objective", edited(planted, [](auto& lines) { lines[0] = "=obj= nan"; }), 1, "não é um número"},
        {"a nan column",
         edited(planted, [](auto& lines) { lines[1] = lines[1].substr(0, lines[1].find(' ')) + " -nan"; }), 1,
         "não é um número"},
        {"a hexadecimal value",
         edited(planted, [](auto& lines) { lines[1] = lines[1].substr(0, lines[1].find(' ')) + " 0x1p0"; }), 1,
         "não é um número"},
        {"a name with a leading zero", edited(planted, [](auto& lines) { lines[1] = "C0" + lines[1].substr(1); }), 1,
         "o nome não é C<n>"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.label);
        writeFile(folder.path() / "check.sol", row.text);
        TProgramResult run =
            runProgram(folder.path(), withArguments(with(kPlanted, {"--check-solution", "check.sol"})));
        EXPECT_EQ(run.exitStatus, row.exitStatus) << run.standardError;
        EXPECT_NE(run.standardError.find(row.reason), std::string::npos) << run.standardError;
        EXPECT_EQ(run.standardOutput.find("Solução válida") != std::string::npos, row.exitStatus == 0);
    }
}

// What the solvers write for our MPS files reads back as the same solution: cbc by name,
// glpsol by position (the slacks after the columns); the elastic instance has no exact
// partition, so its solutions use slacks.
TEST(SolutionCheck, ReadsTheSolversOwnSolutionFiles) {
    if (solversMissing()) GTEST_SKIP();
    std::vector<std::string> unplanted(kPlanted.begin() + 1, kPlanted.end());
    for (const auto& arguments : {with(kPlanted, {"--model", "partition"}), with(unplanted, {"--model", "elastic"})}) {
        SCOPED_TRACE(arguments.back());
        TTemporaryFolder folder;
        ASSERT_EQ(runProgram(folder.path(), withArguments(with(arguments, {"--mps", "i.mps"}))).exitStatus, 0);
        std::string mps = (folder.path() / "i.mps").string();
        ASSERT_EQ(std::system(("cbc '" + mps + "' -solve -solu '" + (folder.path() / "cbc.sol").string() +
                               "' -quit > /dev/null 2>&1").c_str()),
                  0);
        ASSERT_EQ(std::system(("glpsol --freemps '" + mps + "' -w '" + (folder.path() / "glpsol.sol").string() +
                               "' > /dev/null 2>&1").c_str()),
                  0);
        if (arguments.back() == "elastic") {
            EXPECT_NE(readFile(folder.path() / "cbc.sol").find(" S"), std::string::npos);
        }
        for (const char* solution : {"cbc.sol", "glpsol.sol"}) {
            TProgramResult run =
                runProgram(folder.path(), withArguments(with(arguments, {"--check-solution", solution})));
            EXPECT_EQ(run.exitStatus, 0) << solution << ": " << run.standardError;
        }
    }
}

// The elastic model's rules on three hand-made columns, C1 = {1, 2} at 10, C2 = {2, 3} at
// 12 and C3 = {3} at 5, with slacks at 100: each task covered once, by a column or by its
// own slack, and the cost recomputed to the unit.
TEST(SolutionCheck, AppliesTheElasticRulesToHandMadeColumns) {
    const std::vector<std::vector<std::int32_t>> tasksOf = {{0, 1}, {1, 2}, {2}};
    const std::int32_t costs[] = {10, 12, 5};
    auto verdictOf = [&](const std::string& text) {
        TClaimedSolution claimed = readClaimedSolution(text);
        TSolutionCheck check(claimed, TModel::elastic, 100);
        TColumnRunInfo run;
        run.taskCount = 3;
        check.begin(run);
        for (std::size_t column = 0; column < tasksOf.size(); ++column) {
            TPricedColumn priced;
            priced.number = static_cast<std::int32_t>(column) + 1;
            priced.cost = costs[column];
            priced.tasks = &tasksOf[column];
            check.add(priced);
        }
        check.end(3);
        return check.verdict();
    };
    const struct {
        const char* label;
        const char* text;
        const char* problem;  // the first one named; "" for a valid solution
    } rows[] = {
        {"the last task's slack", "=obj= 110\nC1 1\nS3 1\n", ""},
        {"the last task's slack, by glpsol's position", "s mip 3 6 o 110\nj 1 1\nj 6 1\n", ""},
        {"every task to its slack", "=obj= 300\nS1 1\nS2 1\nS3 1\n", ""},
        {"a slack past the last task", "=obj= 110\nC1 1\nS4 1\n", "a folga S4 não existe"},
        {"a task covered by a column and its slack", "=obj= 115\nC1 1\nC3 1\nS3 1\n", "as tarefas 3 são cobertas"},
        {"a task covered by two columns", "=obj= 22\nC1 1\nC2 1\n", "as tarefas 2 são cobertas"},
        {"a slack dropped", "=obj= 10\nC1 1\n", "nenhuma coluna cobre as tarefas 3"},
        {"an objective one above", "=obj= 111\nC1 1\nS3 1\n", "difere do custo recalculado, 110"},
        {"an objective one below", "=obj= 109\nC1 1\nS3 1\n", "difere do custo recalculado, 110"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        TSolutionVerdict verdict = verdictOf(row.text);
        if (*row.problem == '\0') {
            EXPECT_EQ(verdict.problems, std::vector<std::string>{});
            EXPECT_TRUE(verdict.feasible && verdict.objectiveRight);
        } else {
            ASSERT_FALSE(verdict.problems.empty());
            EXPECT_NE(verdict.problems[0].find(row.problem), std::string::npos) << verdict.problems[0];
        }
    }
}

// The three formats, read line by line.
TEST(SolutionCheck, ReadsEachFormat) {
    TClaimedSolution miplib = readClaimedSolution("=obj= 1234\nC3 1\nC7 1\nS2 1\nC9 0\n");
    EXPECT_EQ(miplib.objective, 1234.0);
    EXPECT_EQ(miplib.values.size(), 3u);
    TClaimedSolution cbc = readClaimedSolution(
        "Optimal - objective value 900.00000000\n      0 C1                       1                     900\n");
    EXPECT_EQ(cbc.objective, 900.0);
    ASSERT_EQ(cbc.values.size(), 1u);
    EXPECT_EQ(cbc.values[0].first, "C1");
    TClaimedSolution glpsol = readClaimedSolution("c Problem:\ns mip 3 4 o 815\nj 1 0\nj 2 1\ni 1 1\n");
    EXPECT_EQ(glpsol.objective, 815.0);
    ASSERT_EQ(glpsol.values.size(), 1u);
    EXPECT_EQ(glpsol.values[0].first, "#2");
    for (const char* refused : {"", "=obj= many\n", "=obj= nan\n", "=obj= inf\n", "=obj= 1\nC3 nan\n",
                                "=obj= 1\nC3 0x1p0\n", "=obj= 1\nC0003 1\n", "=obj= 1\nX3 1\n",
                                "=obj= 1\nC3 1 extra\n", "Optimal - objective value seven\n",
                                "s mip 3 4 o nan\n", "s mip 3 4 o 9\nj 01 1\n"}) {
        EXPECT_THROW(readClaimedSolution(refused), EConvertError) << refused;
    }
    // A line past 4096 bytes is refused at its limit, and the message shows a short piece.
    try {
        readClaimedSolution("=obj= 1\nC" + std::string(1 << 20, '7') + " 1\n");
        ADD_FAILURE() << "accepted";
    } catch (const EConvertError& error) {
        EXPECT_LT(std::string(error.what()).size(), 300u);
        EXPECT_NE(std::string(error.what()).find("linha 2"), std::string::npos);
    }
}

}  // namespace
