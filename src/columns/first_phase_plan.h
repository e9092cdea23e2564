#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "columns/chain_count.h"

namespace gerador {

// A block of the first phase's start tasks, searched as one piece of work.
struct TBlockPlan {
    std::size_t firstStart = 0;  // positions in the start tasks: [firstStart, endStart)
    std::size_t endStart = 0;
    std::uint64_t drawsBefore = 0;  // the random stream's draws in the phase before the block
    std::uint64_t draws = 0;        // its own: one per offered chain
    // Its first column's number when every offer is written: the columns before the phase,
    // plus the draws before the block, plus one.
    std::int64_t firstNumber = 0;
};

// The first phase cut into blocks of about the same number of draws, in start-task
// order: each block can be searched on its own, on any thread or machine, from a copy of
// the phase's stream moved past drawsBefore draws.
struct TFirstPhasePlan {
    std::vector<TBlockPlan> blocks;
    std::uint64_t totalDraws = 0;
};

// Cuts the start tasks counted by chains into blocks of at least drawsPerBlock draws
// (the last may have fewer); columnsBefore numbers the columns written before the phase.
TFirstPhasePlan planFirstPhase(const TChainCounts& chains, std::uint64_t drawsPerBlock, std::int64_t columnsBefore);

}  // namespace gerador
