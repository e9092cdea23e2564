#include "columns/chain_count.h"

#include <algorithm>
#include <limits>

namespace gerador {

namespace {

constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();

std::uint64_t addCapped(std::uint64_t first, std::uint64_t second, bool& saturated) {
    if (first > kMost - second) {
        saturated = true;
        return kMost;
    }
    return first + second;
}

}  // namespace

TChainCounts countChains(const TSuccessorLists& successors, const std::vector<std::int32_t>& startTasks,
                         std::int32_t minTasks, std::int32_t maxTasks) {
    TChainCounts counts;
    std::size_t tasks = successors.size();
    // A negative bound sets no limit, as in the search; a chain holds each task once.
    std::size_t longest = maxTasks < 0 ? tasks : std::min<std::size_t>(static_cast<std::size_t>(maxTasks), tasks);
    // A search never offers the start task alone.
    auto shortest = std::max<std::size_t>(static_cast<std::size_t>(std::max(minTasks, 0)) + 1, 2);
    // chainsOf[k][v]: chains of exactly k + 1 tasks that begin at v. Successors stand later
    // in the task order, so every level is filled from the last task back.
    std::vector<std::vector<std::uint64_t>> chainsOf(std::max<std::size_t>(longest, 1),
                                                     std::vector<std::uint64_t>(tasks, 0));
    std::fill(chainsOf[0].begin(), chainsOf[0].end(), 1);
    for (std::size_t level = 1; level < longest; ++level) {
        for (std::size_t task = tasks; task-- > 0;) {
            std::uint64_t total = 0;
            for (std::int32_t next : successors[task]) {
                total = addCapped(total, chainsOf[level - 1][static_cast<std::size_t>(next)], counts.saturated);
            }
            chainsOf[level][task] = total;
        }
    }
    for (std::int32_t start : startTasks) {
        std::uint64_t offers = 0;
        for (std::size_t length = shortest; length <= longest; ++length) {
            std::uint64_t chains = chainsOf[length - 1][static_cast<std::size_t>(start)];
            offers = addCapped(offers, chains, counts.saturated);
            std::uint64_t tasksHeld = chains > kMost / length ? kMost : chains * length;
            counts.totalTasks = addCapped(counts.totalTasks, tasksHeld, counts.saturated);
        }
        counts.offers.push_back(offers);
        counts.totalOffers = addCapped(counts.totalOffers, offers, counts.saturated);
    }
    return counts;
}

}  // namespace gerador
