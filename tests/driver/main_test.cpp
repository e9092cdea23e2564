#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

TEST(Program, RunsTheStagesAndExitsWithStandardInputAtItsEnd) {
    TTemporaryFolder folder;
    TProgramResult run = runProgram(folder.path());
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_EQ(run.standardOutput,
              "\n   10 viagens geradas com sucesso.\n   Pressione ENTER para continuar!\n\n\n"
              "   150 tarefas geradas com sucesso.\n   Pressione ENTER para continuar!\n\n\n");
    EXPECT_EQ(run.standardError, "");
    EXPECT_TRUE(entriesOf(folder.path()).empty());
}

}  // namespace
