#pragma once

#include <cstdint>
#include <vector>

#include "columns/chain_search.h"

namespace gerador {

// The chains a search offers from each start task, counted on the successor graph
// without forming them: how many, and how many tasks they hold together.
struct TChainCounts {
    std::vector<std::uint64_t> offers;  // by position in the start tasks
    std::uint64_t totalOffers = 0;
    std::uint64_t totalTasks = 0;       // summed over the offered chains
    bool saturated = false;             // a count passed 2^64 - 1 and stopped there
};

// Counts, for each start task in order, the chains of more than minTasks and at most
// maxTasks tasks that begin there: the number of draws its search makes. Takes time in
// the number of successor links times maxTasks, not in the number of chains.
TChainCounts countChains(const TSuccessorLists& successors, const std::vector<std::int32_t>& startTasks,
                         std::int32_t minTasks, std::int32_t maxTasks);

}  // namespace gerador
