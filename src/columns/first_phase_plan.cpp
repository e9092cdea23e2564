#include "columns/first_phase_plan.h"

#include <algorithm>

namespace gerador {

TFirstPhasePlan planFirstPhase(const TChainCounts& chains, std::uint64_t drawsPerBlock, std::int64_t columnsBefore) {
    TFirstPhasePlan plan;
    drawsPerBlock = std::max<std::uint64_t>(1, drawsPerBlock);
    std::size_t starts = chains.offers.size();
    for (std::size_t start = 0; start < starts;) {
        TBlockPlan& block = plan.blocks.emplace_back();
        block.firstStart = start;
        block.drawsBefore = plan.totalDraws;
        block.firstNumber = columnsBefore + static_cast<std::int64_t>(plan.totalDraws) + 1;
        while (start < starts && (block.draws == 0 || block.draws < drawsPerBlock)) block.draws += chains.offers[start++];
        block.endStart = start;
        plan.totalDraws += block.draws;
    }
    return plan;
}

}  // namespace gerador
