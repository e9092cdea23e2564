#include <filesystem>
#include <map>
#include <random>

#include <gtest/gtest.h>

#include "columns/chain_count.h"
#include "columns/columns.h"
#include "columns/first_phase_plan.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

template <typename TFirst, typename TSecond>
std::vector<std::pair<TFirst, TSecond>> cartesian(const std::vector<TFirst>& first, const std::vector<TSecond>& second) {
    std::vector<std::pair<TFirst, TSecond>> pairs;
    for (const TFirst& one : first) {
        for (const TSecond& other : second) pairs.emplace_back(one, other);
    }
    return pairs;
}

// Every file and the console of a run, with --threads N, against the same run on one
// thread: the same bytes, whatever the settings (draws that filter the chains, planted
// duties, depots, seeds, lengths) and however many threads.
TEST(FirstPhaseThreads, GiveTheBytesOfOneThreadForEverySetting) {
    const std::vector<std::vector<std::string>> settings = {
        {"--count", "90", "--max-tasks", "8"},
        {"--count", "120", "--accept-percent", "30", "--column-seed", "7"},
        {"--count", "100", "--min-tasks", "0", "--max-tasks", "5", "--depot-count", "5"},
        {"--count", "60", "--plant", "--max-tasks", "6", "--task-seed", "3"},
        {"--count", "80", "--accept-percent", "99", "--location-count", "6", "--trip-seed", "2"},
        {"--count", "3", "--location-count", "2", "--depot-count", "2"},
    };
    // Outputs that only make text of the columns (the column file, the echo) make it on the
    // search threads when every offer is written; the exports see every column here.
    const std::vector<std::vector<std::string>> outputSets = {{}, {"--mps", "i.mps", "--orlib", "i.txt"}};
    for (const auto& [options, outputs] : cartesian(settings, outputSets)) {
        std::string label;
        for (const std::string& word : options) label += word + " ";
        for (const std::string& word : outputs) label += word + " ";
        SCOPED_TRACE(label);
        std::map<std::string, std::string> reference;
        for (const char* threads : {"1", "2", "3", "5"}) {
            TTemporaryFolder folder;
            std::vector<std::string> arguments = options;
            arguments.insert(arguments.end(), outputs.begin(), outputs.end());
            arguments.insert(arguments.end(), {"--threads", threads, "--no-wait"});
            TProgramResult run = runProgram(folder.path(), withArguments(arguments));
            ASSERT_EQ(run.exitStatus, 0) << run.standardError;
            std::map<std::string, std::string> written = {{"console", run.standardOutput},
                                                          {"errors", run.standardError}};
            for (const std::string& name : entriesOf(folder.path())) written[name] = readFile(folder.path() / name);
            if (reference.empty()) {
                reference = written;
            } else {
                for (const auto& [name, bytes] : reference)
                    EXPECT_TRUE(written[name] == bytes) << name << ", " << threads;
            }
        }
    }
}

// The draws of each start task, counted on the graph, are those the search makes.
TEST(FirstPhaseThreads, ChainCountsMatchTheSearch) {
    std::mt19937 source(11);
    for (int trial = 0; trial < 100; ++trial) {
        std::size_t tasks = 2 + source() % 14;
        TSuccessorLists successors(tasks);
        for (std::size_t from = 0; from < tasks; ++from) {
            for (std::size_t to = from + 1; to < tasks; ++to) {
                if (source() % 3 == 0) successors[from].push_back(static_cast<std::int32_t>(to));
            }
        }
        std::vector<std::int32_t> starts;
        for (std::size_t task = 0; task < tasks; ++task) {
            if (source() % 2 == 0) starts.push_back(static_cast<std::int32_t>(task));
        }
        auto minTasks = static_cast<std::int32_t>(source() % 3);
        auto maxTasks = static_cast<std::int32_t>(1 + source() % 6);
        TChainCounts counts = countChains(successors, starts, minTasks, maxTasks);
        TChainSearch search(successors, maxTasks);
        std::uint64_t total = 0;
        std::uint64_t tasksHeld = 0;
        for (std::size_t start = 0; start < starts.size(); ++start) {
            std::uint64_t offers = 0;
            search.start(starts[start]);
            while (search.next()) {
                if (search.chain().size() <= static_cast<std::size_t>(minTasks)) continue;
                ++offers;
                tasksHeld += search.chain().size();
            }
            EXPECT_EQ(counts.offers[start], offers) << trial;
            total += offers;
        }
        EXPECT_EQ(counts.totalOffers, total);
        EXPECT_EQ(counts.totalTasks, tasksHeld);
    }
}

// A limit on the columns stops a threaded run as it stops one thread: same message,
// nothing written.
// A limit stops the run with status 1 and nothing written: during the search when draws
// decide which offers are written, before it when the chain count makes it certain (an
// exploding instance then fails at once instead of after minutes and gigabytes).
TEST(FirstPhaseThreads, ColumnLimitsStopARunWithNothingWritten) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
        {{"--max-columns", "100000", "--accept-percent", "98", "--threads", "1"}, "100000 colunas, o limite de --max-columns"},
        {{"--max-columns", "100000", "--accept-percent", "98", "--threads", "3"}, "100000 colunas, o limite de --max-columns"},
        {{"--max-columns", "100000"}, "100000 colunas, o limite de --max-columns (1362889 cadeias na fase 1"},
        {{"--location-count", "2", "--depot-count", "2", "--count", "1000"},
         "mais de 2147483647 colunas: o número de uma coluna tem 32 bits (mais cadeias na fase 1 do que cabem"},
        // Half the offers of 105 billion chains: certainly past the 32-bit numbers.
        {{"--count", "400", "--accept-percent", "50"}, "32 bits (105097742378 cadeias na fase 1"},
    };
    for (const auto& [extra, message] : rows) {
        TTemporaryFolder folder;
        std::vector<std::string> arguments = extra;
        arguments.insert(arguments.end(), {"--no-column-echo", "--no-wait"});
        TProgramResult run = runProgram(folder.path(), withArguments(arguments));
        EXPECT_EQ(run.exitStatus, 1) << extra.back();
        EXPECT_NE(run.standardError.find(message), std::string::npos) << run.standardError;
        EXPECT_TRUE(entriesOf(folder.path()).empty()) << extra.back();
    }
}

// --max-columns N lets a run of exactly N columns through and stops one of N + 1: on the
// path that knows the count before it starts (every offer written) and on the one that
// counts as the draws go, in either phase, on one thread and on two.
TEST(ColumnLimit, ARunOfExactlyTheLimitPassesAndOneMoreStops) {
    const std::vector<std::pair<const char*, std::vector<std::string>>> rows = {
        {"every offer, first phase only", {"--count", "40"}},
        {"every offer, second phase too", {"--count", "60"}},
        {"draws, first phase only", {"--count", "36", "--accept-percent", "50"}},
        {"draws, second phase too", {"--count", "60", "--accept-percent", "50"}},
        {"draws on two threads", {"--count", "36", "--accept-percent", "50", "--threads", "2"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.first);
        const std::vector<std::string>& settings = row.second;
        auto runWith = [&settings](const TTemporaryFolder& folder, std::vector<std::string> more) {
            std::vector<std::string> arguments = settings;
            more.insert(more.end(), {"--no-column-echo", "--no-wait"});
            arguments.insert(arguments.end(), more.begin(), more.end());
            TRunOptions options = withArguments(arguments);
            options.timeoutSeconds = 20;
            return runProgram(folder.path(), options);
        };
        TTemporaryFolder unlimited;
        ASSERT_EQ(runWith(unlimited, {}).exitStatus, 0);
        std::string columns = linesOf(readFile(unlimited.path() / "150_3304438.txt"))[1];
        columns.erase(columns.find_last_not_of(' ') + 1);
        std::string fewer = std::to_string(std::stol(columns) - 1);

        TTemporaryFolder atTheLimit;
        TProgramResult passed = runWith(atTheLimit, {"--max-columns", columns});
        EXPECT_EQ(passed.exitStatus, 0) << passed.standardError;
        EXPECT_EQ(sha256Of(atTheLimit.path() / "150_3304438.txt"), sha256Of(unlimited.path() / "150_3304438.txt"));

        TTemporaryFolder pastTheLimit;
        TProgramResult stopped = runWith(pastTheLimit, {"--max-columns", fewer});
        EXPECT_EQ(stopped.exitStatus, 1);
        EXPECT_NE(stopped.standardError.find("passaria de " + fewer + " colunas, o limite de --max-columns"),
                  std::string::npos)
            << stopped.standardError;
        EXPECT_TRUE(entriesOf(pastTheLimit.path()).empty());
    }
}

// The plan cuts the start tasks into contiguous blocks of at least the asked draws (the
// last may hold fewer), each knowing the draws and the columns before it.
TEST(FirstPhasePlan, BlocksCoverTheStartsInOrder) {
    std::mt19937 source(5);
    for (int round = 0; round < 50; ++round) {
        TChainCounts chains;
        chains.offers.resize(source() % 40);
        for (std::uint64_t& offers : chains.offers) offers = source() % 4 == 0 ? 0 : source() % 50;
        std::uint64_t perBlock = source() % 120;
        TFirstPhasePlan plan = planFirstPhase(chains, perBlock, 17);
        std::size_t nextStart = 0;
        std::uint64_t drawsSoFar = 0;
        for (std::size_t block = 0; block < plan.blocks.size(); ++block) {
            const TBlockPlan& piece = plan.blocks[block];
            SCOPED_TRACE(round);
            EXPECT_EQ(piece.firstStart, nextStart);
            EXPECT_LT(piece.firstStart, piece.endStart);
            std::uint64_t draws = 0;
            for (std::size_t start = piece.firstStart; start < piece.endStart; ++start) draws += chains.offers[start];
            EXPECT_EQ(piece.draws, draws);
            EXPECT_EQ(piece.drawsBefore, drawsSoFar);
            EXPECT_EQ(piece.firstNumber, 17 + static_cast<std::int64_t>(drawsSoFar) + 1);
            if (block + 1 < plan.blocks.size()) {
                EXPECT_GE(draws, std::max<std::uint64_t>(perBlock, 1));
            }
            nextStart = piece.endStart;
            drawsSoFar += draws;
        }
        EXPECT_EQ(nextStart, chains.offers.size());
        EXPECT_EQ(plan.totalDraws, drawsSoFar);
    }
}

}  // namespace
