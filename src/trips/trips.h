#pragma once

#include <cstdint>
#include <vector>

#include "common/date_time.h"

namespace gerador {

class TRunFiles;
struct TRunEnvironment;

// One trip between two locations.
struct TViagem {
    std::uint32_t distance = 0;
    std::int32_t cost = 0;
    TDateTime travelTime;  // whole minutes, day number 0
};

inline constexpr const char* kTripFileName = "arquivos/viagens.txt";

// The trip matrix: for every ordered pair of locations 1..N, a distance, a cost and a
// travel time, symmetric, drawn from the random source.
class TViagens {
public:
    std::int32_t locationCount = 15;  // N
    std::int32_t minDistance = 100;
    std::int32_t maxDistance = 1500;  // exclusive bound of the drawn distances
    std::uint32_t seed = 0;
    double costFactor = 0.25;         // cost per unit of distance
    // Where the run prints, draws and writes; not owned; null: defaultEnvironment().
    TRunEnvironment* environment = nullptr;
    std::vector<std::vector<TViagem>> trips;  // trips[i][j]: from location i+1 to j+1

    // Fills the N x N matrix; with writeFile writes "arquivos/viagens.txt", with echo
    // prints its rows; then prints the two closing lines. The file joins runFiles, to be
    // committed with the rest of a run, or without them is committed before those lines.
    // Throws EParameterError for a negative locationCount or a travel time of 24 hours or
    // more, EFileError when the file cannot be written.
    void generateTrips(bool writeFile, bool echo, TRunFiles* runFiles = nullptr);
};

}  // namespace gerador
