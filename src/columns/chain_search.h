#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace gerador {

using TSuccessorLists = std::vector<std::vector<std::int32_t>>;

// Depth-first search over the successor lists from one start task, one chain at a time.
// Keeps one chain and one array of choice counters for the whole search, growing and
// shrinking them at the end; every chain that begins with the start task and holds at
// most maxTasks tasks is formed exactly once, successors taken in list order.
class TChainSearch {
public:
    // maxTasks is compared as an unsigned number, so a negative bound sets no limit.
    TChainSearch(const TSuccessorLists& successors, std::int32_t maxTasks);

    // Begins a new search with the chain holding start alone (never formed as a chain).
    void start(std::int32_t startTask);
    // Appends one task: forms the next chain. False when the search has ended.
    // Inlined into every search loop, where it runs once per chain: the column run's time.
    [[gnu::always_inline]] bool next();
    // The chain formed by the last successful next(), start task first.
    const std::vector<std::int32_t>& chain() const { return chain_; }
    // Leading tasks of chain() unchanged since the last mark() (0 after start()): what
    // it shares with the chain of that moment, without comparing them.
    std::size_t unchangedSinceMark() const { return unchangedSinceMark_; }
    void mark() { unchangedSinceMark_ = chain_.size(); }
    // The next next() forms no extension of the chain formed last: its subtree is skipped.
    // Requires: the last next() succeeded.
    void skipExtensions();

private:
    bool canExtend() const;

    const TSuccessorLists& successors_;
    std::uint32_t maxTasks_;
    std::vector<std::int32_t> chain_;
    // choiceCounters_[p]: position, in the successor list of chain_[p], of the task taken after it.
    std::vector<std::int32_t> choiceCounters_;
    std::int32_t position_ = -1;  // chain position being worked on
    std::size_t unchangedSinceMark_ = 0;
    bool descending_ = false;
};

inline void TChainSearch::skipExtensions() {
    // As when the last task has no successor: it leaves, and its parent takes its next one.
    chain_.pop_back();
    choiceCounters_.pop_back();
    unchangedSinceMark_ = std::min(unchangedSinceMark_, chain_.size());
    descending_ = false;
}

inline bool TChainSearch::canExtend() const {
    return chain_.size() < maxTasks_;
}

inline bool TChainSearch::next() {
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
