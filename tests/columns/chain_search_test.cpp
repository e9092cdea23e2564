#include "columns/chain_search.h"

#include <random>

#include <gtest/gtest.h>

using namespace gerador;

namespace {

using TChain = std::vector<std::int32_t>;

std::vector<TChain> chainsFrom(const TSuccessorLists& successors, std::int32_t start, std::int32_t maxTasks) {
    TChainSearch search(successors, maxTasks);
    search.start(start);
    std::vector<TChain> chains;
    while (search.next()) chains.push_back(search.chain());
    return chains;
}

// The slow reference: every path from the chain's last task, in list order, depth first.
void extendByHand(const TSuccessorLists& successors, TChain& chain, std::size_t maxTasks,
                  std::vector<TChain>& chains) {
    if (chain.size() >= maxTasks) return;
    for (std::int32_t next : successors[static_cast<std::size_t>(chain.back())]) {
        chain.push_back(next);
        chains.push_back(chain);
        extendByHand(successors, chain, maxTasks, chains);
        chain.pop_back();
    }
}

TSuccessorLists randomGraph(std::mt19937& random, std::size_t taskCount, unsigned percentLinked) {
    TSuccessorLists successors(taskCount);
    for (std::size_t from = 0; from < taskCount; ++from) {
        for (std::size_t to = from + 1; to < taskCount; ++to) {
            if (random() % 100 < percentLinked) successors[from].push_back(static_cast<std::int32_t>(to));
        }
    }
    return successors;
}

TEST(ChainSearch, FormsEachChainOnceInListOrder) {
    // S=0 with successors A=1 and B=2, each followed by D=3 alone.
    TSuccessorLists successors = {{1, 2}, {3}, {3}, {}};
    EXPECT_EQ(chainsFrom(successors, 0, 13), (std::vector<TChain>{{0, 1}, {0, 1, 3}, {0, 2}, {0, 2, 3}}));
    EXPECT_TRUE(chainsFrom(successors, 3, 13).empty());  // no successors: no chain at all
    EXPECT_EQ(chainsFrom(successors, 1, 13), (std::vector<TChain>{{1, 3}}));
}

TEST(ChainSearch, NeverExtendsPastMaxTasks) {
    TSuccessorLists line(20);
    for (std::int32_t task = 0; task < 19; ++task) line[static_cast<std::size_t>(task)] = {task + 1};
    std::vector<TChain> chains = chainsFrom(line, 0, 13);
    ASSERT_EQ(chains.size(), 12u);  // two to thirteen tasks
    EXPECT_EQ(chains.back().size(), 13u);
    EXPECT_TRUE(chainsFrom(line, 0, 1).empty());
    EXPECT_TRUE(chainsFrom(line, 0, 0).empty());
    EXPECT_EQ(chainsFrom(line, 0, -1).size(), 19u);  // a negative bound, read unsigned, sets none
}

TEST(ChainSearch, MatchesABruteForceEnumeratorOnRandomGraphs) {
    std::mt19937 random(12345);
    for (int graph = 0; graph < 60; ++graph) {
        TSuccessorLists successors = randomGraph(random, 4 + random() % 14, 10 + random() % 50);
        for (std::int32_t maxTasks : {2, 3, 5, 13, -1}) {
            for (std::size_t start = 0; start < successors.size(); ++start) {
                std::vector<TChain> expected;
                TChain chain{static_cast<std::int32_t>(start)};
                extendByHand(successors, chain, static_cast<std::uint32_t>(maxTasks), expected);
                ASSERT_EQ(chainsFrom(successors, static_cast<std::int32_t>(start), maxTasks), expected)
                    << "graph " << graph << " start " << start << " maxTasks " << maxTasks;
            }
        }
    }
}

TEST(ChainSearch, OneSearchObjectServesManyStarts) {
    TSuccessorLists successors = {{1, 2}, {3}, {3}, {}};
    TChainSearch search(successors, 13);
    search.start(0);
    ASSERT_TRUE(search.next());
    search.start(2);  // abandons the first search half-way
    ASSERT_TRUE(search.next());
    EXPECT_EQ(search.chain(), (TChain{2, 3}));
    EXPECT_FALSE(search.next());
    EXPECT_FALSE(search.next());
}

// The count of unchanged leading tasks stands in for comparing a chain with the one
// marked last; it must never claim more than the chains share.
TEST(ChainSearch, UnchangedSinceMarkIsTheSharedPrefix) {
    std::mt19937 random(11);
    for (int graph = 0; graph < 20; ++graph) {
        TSuccessorLists successors = randomGraph(random, 12, 40);
        TChainSearch search(successors, 6);
        search.start(0);
        TChain marked;
        while (search.next()) {
            const TChain& chain = search.chain();
            std::size_t shared = 0;
            while (shared < marked.size() && shared < chain.size() && marked[shared] == chain[shared]) ++shared;
            ASSERT_EQ(search.unchangedSinceMark(), shared);
            if (random() % 3 == 0) {
                search.mark();
                marked = chain;
            }
        }
    }
}

}  // namespace
