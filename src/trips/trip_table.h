#pragma once

#include <cstdint>
#include <vector>

namespace gerador {

class TViagens;

// One trip between two different locations as a row of a table for other programs.
struct TTripRow {
    std::int32_t from = 0;  // location 1..N
    std::int32_t to = 0;
    std::uint32_t distance = 0;
    std::int32_t cost = 0;
    std::int64_t travelMinutes = 0;
};

// Every ordered pair of different locations, by origin then destination.
std::vector<TTripRow> tripTable(const TViagens& trips);

}  // namespace gerador
