#include "exports/mps_export.h"


#include <gtest/gtest.h>

#include "common/run_files.h"
#include "exports/export_test_support.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

std::string textOf(const TOptimum& optimum) {
    return optimum ? std::to_string(*optimum) : "inviável";
}

TEST(MpsExport, SolversFindTheOptimumOfTheExhaustiveSearch) {
    if (solversMissing()) GTEST_SKIP();
    bool sawPartition = false;
    bool sawNoPartition = false;
    for (const TSmallInstance& instance : kSmallInstances) {
        for (TModel model : {TModel::partition, TModel::cover}) {
            TTemporaryFolder folder;
            TWorkingDirectory inFolder(folder.path());
            TSettings settings = smallSettings(instance);
            settings.mpsFileName = "instancia.mps";
            settings.model = model;
            runQuietly(settings);
            TColumnFileText columnFile = readColumnFile(readFile("150_3304438.txt"));
            TOptimum expected = exhaustiveOptimum(columnFile.taskCount, columnFile.columns, model);
            if (model == TModel::partition) (expected ? sawPartition : sawNoPartition) = true;
            std::string label = std::string(instance.label) + (model == TModel::cover ? ", cover" : ", partition");
            EXPECT_EQ(textOf(glpsolSolve(folder.path() / "instancia.mps").objective), textOf(expected))
                << "glpsol, " << label;
            EXPECT_EQ(textOf(cbcSolve(folder.path() / "instancia.mps").objective), textOf(expected))
                << "cbc, " << label;
        }
    }
    EXPECT_TRUE(sawPartition && sawNoPartition) << "the instances should include both kinds";
}

// The whole file for two hand-priced columns over three tasks.
std::string mpsOf(TModel model) {
    TTemporaryFolder folder;
    std::filesystem::path file = folder.path() / "m.mps";
    TRunFiles files;
    TMpsExport mps(files, file.string(), model);
    TColumnRunInfo run;
    run.taskCount = 3;
    mps.begin(run);
    const std::vector<std::int32_t> first = {0, 1, 2};
    const std::vector<std::int32_t> second = {2};
    TPricedColumn column;
    column.number = 1, column.cost = 900, column.tasks = &first;
    mps.add(column);
    column.number = 2, column.cost = 815, column.tasks = &second;
    mps.add(column);
    mps.end(2);
    files.commit();
    return readFile(file);
}

TEST(MpsExport, WritesRowsColumnsRightHandSidesAndCoverBounds) {
    const std::string rows = "NAME gerador FREE\nROWS\n N CUSTO\n";
    const std::string columns =
        "COLUMNS\n INTSTART 'MARKER' 'INTORG'\n C1 CUSTO 900 T1 1\n C1 T2 1 T3 1\n C2 CUSTO 815 T3 1\n"
        " INTEND 'MARKER' 'INTEND'\nRHS\n RHS T1 1\n RHS T2 1\n RHS T3 1\n";
    EXPECT_EQ(mpsOf(TModel::partition), rows + " E T1\n E T2\n E T3\n" + columns + "ENDATA\n");
    EXPECT_EQ(mpsOf(TModel::cover),
              rows + " G T1\n G T2\n G T3\n" + columns + "BOUNDS\n UP BND C1 1\n UP BND C2 1\nENDATA\n");
}

}  // namespace
