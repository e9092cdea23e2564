#include "trips/trip_table.h"

#include <cmath>

#include "trips/trips.h"

namespace gerador {

std::vector<TTripRow> tripTable(const TViagens& trips) {
    std::vector<TTripRow> rows;
    for (std::size_t from = 0; from < trips.trips.size(); ++from) {
        for (std::size_t to = 0; to < trips.trips[from].size(); ++to) {
            if (from == to) continue;
            const TViagem& trip = trips.trips[from][to];
            rows.push_back({static_cast<std::int32_t>(from + 1), static_cast<std::int32_t>(to + 1), trip.distance,
                            trip.cost, std::llround(trip.travelTime * 1440.0)});
        }
    }
    return rows;
}

}  // namespace gerador
