#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "columns/chain_search.h"
#include "common/random_source.h"

namespace gerador {

// Chains written whatever their draw: the planted duties, so that an instance thinned by
// the draws keeps its known partition.
struct TKeptChains {
    const std::vector<std::vector<std::int32_t>>* chains = nullptr;  // task indices in order
    std::vector<std::int32_t> startingAt;  // by task index: the chain starting there, or -1

    TKeptChains() = default;
    TKeptChains(const std::vector<std::vector<std::int32_t>>& keptChains, std::int32_t taskCount)
        : chains(&keptChains), startingAt(static_cast<std::size_t>(taskCount), -1) {
        for (std::size_t chain = 0; chain < keptChains.size(); ++chain) {
            startingAt[static_cast<std::size_t>(keptChains[chain].front())] = static_cast<std::int32_t>(chain);
        }
    }
    bool holds(const std::vector<std::int32_t>& chain) const {
        if (chains == nullptr || chain.empty()) return false;
        std::int32_t kept = startingAt[static_cast<std::size_t>(chain.front())];
        return kept >= 0 && (*chains)[static_cast<std::size_t>(kept)] == chain;
    }
};

// Which chains of a search become columns, in the one place every search reads: a chain
// of more than minTasks tasks is offered; an offer is written when a draw from 0 to 99
// is at most acceptPercent, or when it is a kept chain (the draw is made all the same).
struct TColumnRule {
    std::int32_t minTasks = 2;
    std::int32_t acceptPercent = 1;
    const TKeptChains* kept = nullptr;

    bool offers(const std::vector<std::int32_t>& chain) const {
        return chain.size() > static_cast<std::uint32_t>(minTasks);
    }
    // Makes the offer's draw.
    bool accepts(randomsource::TRandomStream& stream) const { return stream.lrand() % 100 <= acceptPercent; }
    // Every draw passes: each offer is written, whatever the draws.
    bool writesEveryOffer() const { return acceptPercent >= 99; }
};

// Searches from each of starts in order and calls write(chain, unchangedTasks) for every
// offer the rule writes, drawing for each offer from stream; with no stream every offer is
// written without a draw (Requires: rule.writesEveryOffer() then). write returns false to
// stop. Returns the offers made. The chain is valid during write only.
template <typename TWrite>
std::int64_t searchStarts(TChainSearch& search, TColumnRule rule, std::span<const std::int32_t> starts,
                          randomsource::TRandomStream* stream, TWrite&& write) {
    std::int64_t offered = 0;
    for (std::int32_t start : starts) {
        search.start(start);
        while (search.next()) {
            const std::vector<std::int32_t>& chain = search.chain();
            if (!rule.offers(chain)) continue;
            ++offered;
            if (stream != nullptr && !rule.accepts(*stream) && (rule.kept == nullptr || !rule.kept->holds(chain)))
                continue;
            if (!write(chain, search.unchangedSinceMark())) return offered;
            search.mark();
        }
    }
    return offered;
}

}  // namespace gerador
