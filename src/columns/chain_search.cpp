#include "columns/chain_search.h"

#include <cassert>

namespace gerador {

TChainSearch::TChainSearch(const TSuccessorLists& successors, std::int32_t maxTasks)
    : successors_(successors), maxTasks_(static_cast<std::uint32_t>(maxTasks)) {}

void TChainSearch::start(std::int32_t startTask) {
    assert(startTask >= 0 && static_cast<std::size_t>(startTask) < successors_.size());
    chain_.assign(1, startTask);
    choiceCounters_.assign(1, 0);
    position_ = -1;
    descending_ = true;
    unchangedSinceMark_ = 0;
}

}  // namespace gerador
