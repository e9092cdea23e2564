#include <gtest/gtest.h>

#include "support/test_support.h"
#include "support/column_file_reader.h"

using namespace gerador;

namespace {

// A planted instance thinned by the draws keeps its planted duties: the known partition
// stands among a few per cent of the chains, which is what makes such an instance hard
// and still checkable. The solution it writes passes the checker, and the other
// columns are about the draws' share of the full run's.
TEST(KeptChains, APlantedInstanceThinnedByDrawsKeepsItsPartition) {
    TTemporaryFolder folder;
    const std::vector<std::string> planted = {"--plant", "--count", "60", "--max-tasks", "6", "--no-column-echo",
                                              "--no-wait"};
    auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> arguments = planted;
        arguments.insert(arguments.end(), more.begin(), more.end());
        return withArguments(arguments);
    };
    ASSERT_EQ(runProgram(folder.path(), with({"--column-file", "all.txt"})).exitStatus, 0);
    TProgramResult thinned = runProgram(folder.path(), with({"--accept-percent", "2", "--solution", "p.sol"}));
    ASSERT_EQ(thinned.exitStatus, 0) << thinned.standardError;
    std::size_t all = readColumnFile(readFile(folder.path() / "all.txt")).columns.size();
    std::size_t kept = readColumnFile(readFile(folder.path() / "150_3304438.txt")).columns.size();
    EXPECT_GT(kept, all / 50);
    EXPECT_LT(kept, all / 10) << "the draws thinned nothing";
    TProgramResult checked = runProgram(
        folder.path(), with({"--accept-percent", "2", "--check-solution", "p.sol", "--no-column-write-file"}));
    EXPECT_EQ(checked.exitStatus, 0) << checked.standardError;
}

}  // namespace
