#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "columns/chain_search.h"
#include "common/random_source.h"

namespace gerador {

// Which chains of a search become columns, in the one place every search reads: a chain
// of more than minTasks tasks is offered; an offer is written when a draw from 0 to 99
// is at most acceptPercent.
struct TColumnRule {
    std::int32_t minTasks = 2;
    std::int32_t acceptPercent = 1;

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
            if (stream != nullptr && !rule.accepts(*stream)) continue;
            if (!write(chain, search.unchangedSinceMark())) return offered;
            search.mark();
        }
    }
    return offered;
}

}  // namespace gerador
