#include "columns/chain_search.h"

#include <algorithm>
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

bool TChainSearch::canExtend() const {
    return chain_.size() < maxTasks_;
}

bool TChainSearch::next() {
    if (descending_) {
        // Descend: take the first successor of the task at the next position.
        ++position_;
        const auto& following = successors_[static_cast<std::size_t>(chain_[static_cast<std::size_t>(position_)])];
        if (!following.empty() && canExtend()) {
            choiceCounters_.push_back(0);
            unchangedSinceMark_ = std::min(unchangedSinceMark_, chain_.size());
            chain_.push_back(following.front());
            return true;
        }
        descending_ = false;
    }
    // Backtrack: move on to the next successor at the deepest position that has one.
    while (position_ >= 0) {
        auto position = static_cast<std::size_t>(position_);
        const auto& following = successors_[static_cast<std::size_t>(chain_[position])];
        std::int32_t choice = ++choiceCounters_[position];
        if (static_cast<std::size_t>(choice) < following.size() && canExtend()) {
            unchangedSinceMark_ = std::min(unchangedSinceMark_, chain_.size());
            chain_.push_back(following[static_cast<std::size_t>(choice)]);
            choiceCounters_.push_back(0);
            descending_ = true;
            return true;
        }
        --position_;
        chain_.pop_back();
        choiceCounters_.pop_back();
        unchangedSinceMark_ = std::min(unchangedSinceMark_, chain_.size());
    }
    return false;
}

}  // namespace gerador
